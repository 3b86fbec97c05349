// The position gauge: a 270-degree dial from 0 at the lower left to 100 (position 1000) at the lower right.
#pragma once

#include "Classes/View/Dashboard/SVDashBoardDial.h"

class SVDashBoardPostionView : public SVDashBoardDial {
    Q_OBJECT
public:
    explicit SVDashBoardPostionView(QWidget* parent = nullptr);
};

// The voltage gauge: a half dial from 0 V at the left to 15 V at the right.
#pragma once

#include "Classes/View/Dashboard/SVDashBoardDial.h"

class SVDashBoardView : public SVDashBoardDial {
    Q_OBJECT
public:
    explicit SVDashBoardView(QWidget* parent = nullptr);
};

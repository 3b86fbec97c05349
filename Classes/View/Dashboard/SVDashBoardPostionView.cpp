#include "Classes/View/Dashboard/SVDashBoardPostionView.h"

SVDashBoardPostionView::SVDashBoardPostionView(QWidget* parent)
    : SVDashBoardDial(SVDashBoardGeometry::positionStyle(), parent)
{
}

#include "Classes/View/Dashboard/SVDashBoardView.h"

SVDashBoardView::SVDashBoardView(QWidget* parent)
    : SVDashBoardDial(SVDashBoardGeometry::voltageStyle(), parent)
{
}

#include "Classes/View/Window/SVWindowView.h"

#include <QPainter>
#include <QPainterPath>

SVWindowView::SVWindowView(QWidget* parent)
    : QWidget(parent)
{
}

void SVWindowView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, backgroundColor());
}

#include "Classes/View/Background/SVBackGroundView.h"

#include "Classes/View/Background/SVPanelShadow.h"

#include <QPainter>
#include <QPainterPath>

SVBackGroundView::SVBackGroundView(int type, QWidget* parent)
    : QWidget(parent)
{
    setType(type);
}

QColor SVBackGroundView::backgroundColorFor(int type)
{
    return type == 1 || type == 2 ? QColor(255, 255, 255) : QColor(232, 232, 232);
}

void SVBackGroundView::setType(int type)
{
    m_type = type;
    if (hasShadow() && !m_shadow)
        m_shadow = new SVPanelShadow(this, cornerRadius);
    else if (!hasShadow() && m_shadow)
        delete m_shadow;
    update();
}

void SVBackGroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, backgroundColorFor(m_type));
}

#include "Classes/View/Background/SVBackGroundView.h"

#include "Tools/SVRoundedFill.h"

#include "Classes/View/Background/SVPanelShadow.h"

#include <QPaintEvent>
#include <QPainter>

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

void SVBackGroundView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    SVRoundedFill::fill(painter, rect(), cornerRadius, backgroundColorFor(m_type), event->region());
}

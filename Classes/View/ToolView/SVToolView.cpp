#include "Classes/View/ToolView/SVToolView.h"

#include "Classes/View/Background/SVPanelShadow.h"
#include "Tools/SVLayout.h"
#include "Tools/ViewInit.h"

#include <QPainter>
#include <QPainterPath>

SVToolView::SVToolView(QWidget* parent)
    : QWidget(parent)
    , m_lableTitle(labelWithString(QStringLiteral("ID"), this))
{
    QFont font = m_lableTitle->font();
    font.setPixelSize(titleFontSize);
    m_lableTitle->setFont(font);
    m_lableTitle->setAlignment(Qt::AlignCenter);
    SVLayout::place(m_lableTitle)
        .left(SVLayout::leftOf(this))
        .right(SVLayout::rightOf(this))
        .top(SVLayout::topOf(this), -titleTopInset);
    new SVPanelShadow(this, cornerRadius);
}

void SVToolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, backgroundColor());
}

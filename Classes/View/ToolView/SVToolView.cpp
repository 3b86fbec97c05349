#include "Classes/View/ToolView/SVToolView.h"

#include "Classes/View/Background/SVPanelShadow.h"
#include "Tools/SVLayout.h"
#include "Tools/SVRoundedFill.h"
#include "Tools/ViewInit.h"

#include <QPaintEvent>
#include <QPainter>

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

void SVToolView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    SVRoundedFill::fill(painter, rect(), cornerRadius, backgroundColor(), event->region());
}

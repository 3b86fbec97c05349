#include "Classes/View/Window/SVWindowView.h"

#include "Tools/SVRoundedFill.h"

#include <QPaintEvent>
#include <QPainter>

SVWindowView::SVWindowView(QWidget* parent)
    : QWidget(parent)
{
}

void SVWindowView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    SVRoundedFill::fill(painter, rect(), cornerRadius, backgroundColor(), event->region());
}

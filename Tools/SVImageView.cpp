#include "Tools/SVImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

SVImageView::SVImageView(const QIcon& image, QWidget* parent)
    : QWidget(parent)
    , m_image(image)
{
}

void SVImageView::setImage(const QIcon& image)
{
    m_image = image;
    update();
}

void SVImageView::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void SVImageView::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void SVImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_backgroundColor.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.fillPath(shape, m_backgroundColor);
    }
    // The image is scaled to the whole view, as an image view set to fill its bounds.
    if (!m_image.isNull())
        painter.drawPixmap(rect(), m_image.pixmap(size(), devicePixelRatioF()));
}

void SVImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    emit windowDragRequested();
    if (QWindow* handle = window()->windowHandle())
        handle->startSystemMove();
}

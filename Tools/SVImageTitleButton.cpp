#include "Tools/SVImageTitleButton.h"

#include "Tools/SVAccessibility.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTag.h"

#include <QAccessible>
#include <QPainter>

SVImageTitleButton::Layout SVImageTitleButton::layoutFor(
    const QSizeF& size, const QSizeF& titleSize, const QSizeF& imageSize)
{
    const qreal width = size.width();
    const qreal height = size.height();
    Layout layout;
    layout.top = height / 5;
    const qreal iconHeight = height - 2 * layout.top;  // the aspect ratio is kept for any image
    const qreal iconWidth = imageSize.height() > 0 ? iconHeight * imageSize.width() / imageSize.height() : iconHeight;
    const float gap = float(width - titleSize.width() - iconWidth) / 7.0f;
    layout.icon = QRectF(3 * gap, layout.top, iconWidth, iconHeight);
    layout.title = QRectF(4 * gap + iconWidth, (height - titleSize.height()) / 2 - 1, titleSize.width(), titleSize.height());
    return layout;
}

SVImageTitleButton::SVImageTitleButton(const QString& title, const QIcon& image, int tag, QWidget* superView)
    : SVButton(superView)
    , m_myTitle(title)
    , m_myImage(image)
{
    setTag(this, tag);
    setBackgroundColor(buttonOrange());
    setCornerRadius(5);
    setAllowTouch(true);
    setImageButton(true);
    setText(SVLocalized::text(title));
}

void SVImageTitleButton::setMyTitle(const QString& key)
{
    m_myTitle = key;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    announceAccessibilityEvent(event);
}

QString SVImageTitleButton::shownTitle() const
{
    return SVLocalized::text(m_myTitle);
}

void SVImageTitleButton::setMyImage(const QIcon& image)
{
    m_myImage = image;
    update();
}

QSizeF SVImageTitleButton::imageSize() const
{
    // Only the proportions matter; an SVG icon answers with its default size scaled into the box.
    const QSize size = m_myImage.actualSize(QSize(1024, 1024));
    return size.isEmpty() ? QSizeF(1, 1) : QSizeF(size);
}

// Boxes from layoutFor are y-up; the painter's y runs down, so each box is flipped.
void SVImageTitleButton::paintContent(QPainter& painter)
{
    const QString text = shownTitle();
    const QFont font = systemFont(titleFontSize);
    const QSizeF titleSize = QFontMetricsF(font).boundingRect(QRectF(rect()), Qt::TextSingleLine, text).size();
    const Layout layout = layoutFor(size(), titleSize, imageSize());
    m_top = layout.top;

    auto flipped = [this](const QRectF& box) {
        return QRectF(box.x(), height() - box.y() - box.height(), box.width(), box.height());
    };
    m_myImage.paint(&painter, flipped(layout.icon).toAlignedRect(), Qt::AlignCenter);
    painter.setFont(font);
    painter.setPen(white());
    painter.drawText(flipped(layout.title), Qt::AlignCenter, text);
}

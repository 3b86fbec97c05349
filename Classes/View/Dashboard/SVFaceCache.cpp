#include "Classes/View/Dashboard/SVFaceCache.h"

#include <QPainter>
#include <QWidget>

const QPixmap& SVFaceCache::faceFor(const QWidget& widget, const std::function<void(QPainter&)>& draw)
{
    const qreal scale = widget.devicePixelRatioF();
    const QSize pixels = (QSizeF(widget.size()) * scale).toSize();
    if (m_face.size() != pixels || m_face.devicePixelRatio() != scale) {
        m_face = QPixmap(pixels);
        m_face.setDevicePixelRatio(scale);
        m_face.fill(Qt::transparent);
        QPainter painter(&m_face);
        draw(painter);
    }
    return m_face;
}

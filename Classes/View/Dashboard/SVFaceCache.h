// The still part of a gauge, drawn once per size and scale factor into a pixmap and reused by every
// repaint until the widget's size or scale factor changes.
#pragma once

#include <QPixmap>

#include <functional>

class QPainter;
class QWidget;

class SVFaceCache {
public:
    // The face for widget as it is now; draw paints it (in widget coordinates) only when the
    // cached one no longer fits.
    const QPixmap& faceFor(const QWidget& widget, const std::function<void(QPainter&)>& draw);
    // Identifies the face drawn last: it changes only when the face is drawn again.
    qint64 cacheKey() const { return m_face.cacheKey(); }

private:
    QPixmap m_face;
};

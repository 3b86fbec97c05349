// A round gauge: outer ring, hub ring and ticks painted from its style; the hub disc, the needle and
// the scale numbers are child widgets created once with the dial, so repaints never duplicate them.
// The face (rings and ticks) is drawn once per size and scale factor into a pixmap; a new value
// repaints only the area the needle leaves and enters.
#pragma once

#include "Classes/View/Dashboard/SVDashBoardGeometry.h"
#include "Classes/View/Dashboard/SVFaceCache.h"

#include <QList>
#include <QWidget>

class QLabel;
class QPainter;
class SVDashBoardNeedle;

class SVDashBoardDial : public QWidget {
    Q_OBJECT
public:
    // Turns the needle to the value at once. Values outside the scale are not clamped.
    void progress(double value);
    double value() const { return m_value; }  // the last value given to progress(), 0 at first
    double maximumValue() const;              // the value at the scale's last tick

    float needleAngle() const;
    // Identifies the face drawn last: it changes only when the face is drawn again.
    qint64 faceCacheKey() const { return m_face.cacheKey(); }
    const SVDialStyle& style() const { return m_style; }

protected:
    SVDashBoardDial(const SVDialStyle& style, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeChildren();
    void drawFace(QPainter& painter) const;

    const SVDialStyle& m_style;
    SVDashBoardNeedle* m_needle;
    double m_value = 0;
    QList<QLabel*> m_labels;
    SVFaceCache m_face;
};

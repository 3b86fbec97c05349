// The moving part of a dial: the hub disc and, above it, the needle bar turning about the centre.
// A child of the dial covering it completely; it ignores the mouse.
#pragma once

#include <QColor>
#include <QWidget>

class SVDashBoardNeedle : public QWidget {
    Q_OBJECT
public:
    SVDashBoardNeedle(QColor color, double hubDiameter, QWidget* dial);

    float angle() const { return m_angle; }
    void setAngle(float degrees);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect areaAt(float degrees) const;  // what the hub and the needle at this angle cover
    QColor m_color;
    double m_hubDiameter;
    float m_angle = 0;
};

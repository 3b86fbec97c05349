// The temperature gauge: the thermometer image with a coloured column that rises with `pro`.
// The image is drawn once per size and scale factor into a pixmap; a new value repaints only the band
// between the old and the new top of the column. The gauge has no child widgets.
#pragma once

#include "Classes/View/Dashboard/SVFaceCache.h"

#include <QWidget>

class QSvgRenderer;

class SVDashBoardTemperatureView : public QWidget {
    Q_OBJECT
public:
    static inline const QString imagePath = QStringLiteral(":/images/temperature2.svg");
    // The value of pro at which the column fills its scale (507 image units at 507/140 per unit).
    static constexpr double fullScale = 140;

    explicit SVDashBoardTemperatureView(QWidget* parent = nullptr);

    double pro() const { return m_pro; }
    void setPro(double pro);

    // Width of the image in its own units; the usual image's width (temperatureImageWidth) when the
    // image is missing.
    double imageWidth() const;

    // The widget area that a change of pro from one value to another repaints.
    QRect changedArea(double from, double to) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* m_image;
    SVFaceCache m_picture;  // the thermometer image
    double m_pro = 0;
};

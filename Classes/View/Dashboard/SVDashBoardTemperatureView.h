// The temperature gauge: the thermometer image with a coloured column that rises with `pro`.
// Everything is painted from `pro` each time; the gauge has no child widgets.
#pragma once

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

    // Width of the image in its own units; the design width when the image is missing.
    double imageWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* m_image;
    double m_pro = 0;
};

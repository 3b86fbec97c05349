// Value sliders: both track styles, horizontal and vertical, at their ends and in between.
#include "Gallery.h"

#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Slider/SVSpeedSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"

#include <QWidget>

namespace Gallery {

namespace {
SVSlider* addSlider(QWidget* parent, QRect frame, double min, double max, const QString& value, bool vertical,
                    SVSliderCell* cell, double step)
{
    SVSlider* slider =
        SVSlider::initSliderWithFrame(frame, min, max, value, vertical, nullptr, nullptr, 0, cell, step, false);
    slider->setParent(parent);
    return slider;
}
}  // namespace

void renderSliders()
{
    QWidget* tool = makeBackdrop(320, 130);
    addSlider(tool, QRect(10, 10, 300, 20), 1, 1000, QStringLiteral("1"), false, new SVToolSlider, 1);
    addSlider(tool, QRect(10, 40, 300, 20), 1, 1000, QStringLiteral("500"), false, new SVToolSlider, 1);
    addSlider(tool, QRect(10, 70, 300, 20), 1, 1000, QStringLiteral("1000"), false, new SVToolSlider, 1);
    addSlider(tool, QRect(10, 100, 300, 20), -125, 125, QStringLiteral("0"), false, new SVToolSlider, 1);
    save(tool, QStringLiteral("slider_tool_horizontal_min_mid_max_deviation0"));

    QWidget* speed = makeBackdrop(240, 170);
    addSlider(speed, QRect(10, 0, 220, 40), 0, 3000, QStringLiteral("0"), false, new SVSpeedSlider, 1);
    addSlider(speed, QRect(10, 40, 220, 40), 0, 1000, QStringLiteral("250"), false, new SVSpeedSlider, 1);
    addSlider(speed, QRect(10, 80, 220, 40), 0, 1000, QStringLiteral("1000"), false, new SVSpeedSlider, 1);
    addSlider(speed, QRect(10, 130, 130, 20), -1000, 1000, QStringLiteral("0"), false, new SVSpeedSlider, 1);
    save(speed, QStringLiteral("slider_speed_0_250_1000_speed0"));

    QWidget* vertical = makeBackdrop(200, 160);
    addSlider(vertical, QRect(10, 10, 20, 140), 4.5, 13.9, QStringLiteral("4.5"), true, new SVToolSlider, 0.1);
    addSlider(vertical, QRect(50, 10, 20, 140), 4.6, 14, QStringLiteral("12"), true, new SVToolSlider, 0.1);
    addSlider(vertical, QRect(90, 10, 20, 140), 4.6, 14, QStringLiteral("14"), true, new SVToolSlider, 0.1);
    addSlider(vertical, QRect(130, 10, 20, 140), 50, 100, QStringLiteral("85"), true, new SVToolSlider, 1);
    addSlider(vertical, QRect(170, 10, 20, 140), 50, 100, QStringLiteral("75"), true, nullptr, 1);
    save(vertical, QStringLiteral("slider_tool_vertical_min_12_max_85_plain"));
}

}  // namespace Gallery

// Slider actions and value entry: each slider mirrors its value into its field or label (range ends
// kept in order) and the live ones command the servo; Enter in a numeric field sets its slider.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/SVTextValue.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Tools/SVTag.h"
#include "Tools/SVTools.h"

#include <QLabel>

namespace {

const QString upperEnd = QStringLiteral("<=");
const QString lowerEnd = QStringLiteral(">=");
const QString wholeNumbers = QStringLiteral("1");
const QString tenths = QStringLiteral("0.1");

// The integer part of a slider's value, fraction dropped towards zero.
qint64 wholeValue(const SVSlider* slider)
{
    return qint64(slider->value());
}

// A negative speed as the encoder takes it: the 32-bit two's complement in lower-case hexadecimal
// (-100 gives "ffffff9c").
QString hexadecimalSpeed(qint64 speed)
{
    return QString::asprintf("%x", quint32(qint32(speed)));
}

}  // namespace

void SVSettingViewController::sliderClick(QObject* sender)
{
    switch (tagOf(sender)) {
    case TagSliderAngleOne:
        SVTools::changeSliderValue(sliderAngleOne(), lableAngleBottom(), lableAngleTop(), upperEnd, wholeNumbers);
        break;
    case TagSliderAngleTwo:
        SVTools::changeSliderValue(sliderAngleTwo(), lableAngleTop(), lableAngleBottom(), lowerEnd, wholeNumbers);
        break;
    case TagSliderVoltageOne:
        SVTools::changeSliderValue(sliderVoltageOne(), lableVoltageRangeMax(), lableVoltageRangeMin(), lowerEnd, tenths);
        break;
    case TagSliderVoltageTwo:
        SVTools::changeSliderValue(sliderVoltageTwo(), lableVoltageRangeMin(), lableVoltageRangeMax(), upperEnd, tenths);
        break;
    case TagSliderTemperature:
        lableTemperatureRange()->setText(QString::number(wholeValue(sliderTemperature())) + QStringLiteral(" ℃"));
        break;
    case TagSliderTime:
        textDebuggingtime()->setText(QString::number(wholeValue(sliderTime())));
        break;
    case TagSliderPostion:
        textDebuggingPostion()->setText(QString::number(wholeValue(sliderPostion())));
        if (refusedWhileBusTaken())
            break;
        serialApi().sendOneSteering(SVTextValue::intValue(textIDOperator()->text()), int(wholeValue(sliderPostion())),
                                    SVTextValue::intValue(textDebuggingtime()->text()));
        break;
    case TagSliderSpeed:
        textSpeed()->setText(QString::number(wholeValue(sliderSpeed())));
        if (refusedWhileBusTaken())
            break;
        serialApi().sendSpeed(textIDOperator()->text(), speedTextForSlider(), 1);
        break;
    case TagSliderDeviation:
        textDeviation()->setText(QString::number(wholeValue(sliderDeviation())));
        if (refusedWhileBusTaken())
            break;
        serialApi().sendWriteDeviationId(textID()->text(), textDeviation()->text());
        break;
    default:
        break;
    }
}

// The speed text of the speed slider: the field's text when it is 0 or more, else the hexadecimal form.
QString SVSettingViewController::speedTextForSlider()
{
    const QString text = textSpeed()->text();
    if (SVTextValue::integerValue(text) >= 0)
        return text;
    const qint64 speed = wholeValue(sliderSpeed());
    qInfo("speed = %lld", speed);  // part of the program's log, before the speed turns hexadecimal
    return hexadecimalSpeed(speed);
}

void SVSettingViewController::enterValue(int tag)
{
    switch (tag) {
    case TagTextSpeed: {
        const QString text = textSpeed()->text();
        sliderSpeed()->setStringValue(text);
        const qint64 speed = SVTextValue::integerValue(text);
        serialApi().sendSpeed(textIDOperator()->text(), speed >= 0 ? text : hexadecimalSpeed(speed), 1);
        break;
    }
    case TagTextDebuggingTime:
        sliderTime()->setStringValue(textDebuggingtime()->text());
        break;
    case TagTextDebuggingPostion:
        sliderPostion()->setStringValue(textDebuggingPostion()->text());
        serialApi().sendOneSteering(SVTextValue::intValue(textID()->text()), int(wholeValue(sliderPostion())),
                                    SVTextValue::intValue(textDebuggingtime()->text()));
        break;
    case TagTextDeviation:
        sliderDeviation()->setStringValue(textDeviation()->text());
        serialApi().sendWriteDeviationId(textID()->text(), QString::number(wholeValue(sliderDeviation())));
        break;
    default:
        break;
    }
}

#include "Tools/SVTools.h"

#include "Api/SVTextValue.h"
#include "Api/Source/MainThreadModalLoop.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVObservableLabel.h"
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/ViewInit.h"

#include <QLabel>

void SVTools::showTipWithMessage(const QString& text)
{
    ModeWindow window;
    window.message()->setText(text);
    window.fitToMessage();
    window.comfirm()->setTitle(SVLocalized::text(QStringLiteral("confirm")));
    const MainThreadModalLoop::Scope modal;  // device changes wait until the tip is dismissed
    SVTipPresenter::current().present(window);
}

QLabel* SVTools::returnWebLabel(QLabel* label, const QString& title, const QString& address, QWidget* superView)
{
    if (!label)
        label = labelWithString(title, superView);
    QFont font = label->font();
    font.setPixelSize(webLabelFontSize);
    label->setFont(font);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<a href=\"%1\" style=\"color:#ff0000; text-decoration:none;\">%2</a>")
                       .arg(address.toHtmlEscaped(), title.toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    label->setCursor(Qt::OpenHandCursor);
    // Over the link text the label swaps in the pointing hand; the open hand is put back each time.
    static const char* const keepsOpenHand = "svKeepsOpenHand";
    if (!label->property(keepsOpenHand).toBool()) {
        label->setProperty(keepsOpenHand, true);
        QObject::connect(label, &QLabel::linkHovered, label, [label] { label->setCursor(Qt::OpenHandCursor); });
    }
    return label;
}

void SVTools::changeSliderValue(SVSlider* slider, SVObservableLabel* lable, SVObservableLabel* andLableChange, const QString& tip,
                                const QString& number)
{
    const bool upperEnd = tip == QLatin1String("<=");
    if (!upperEnd && tip != QLatin1String(">="))
        return;
    if (number == QLatin1String("1")) {
        qint64 value = qint64(slider->value());
        const qint64 partner = SVTextValue::integerValue(lable->text());
        if (upperEnd ? value <= partner : value >= partner) {
            value = upperEnd ? partner + 1 : partner - 1;
            slider->setValue(double(partner));
        }
        andLableChange->setText(QString::number(value));
    } else if (number == QLatin1String("0.1")) {
        double value = slider->value();
        const double partner = double(SVTextValue::floatValue(lable->text()));
        if (upperEnd ? partner >= value : value >= partner) {
            value = upperEnd ? partner + 0.1 : partner - 0.1;
            slider->setValue(partner);
        }
        andLableChange->setText(QString::asprintf("%.1f", value));
    }
}

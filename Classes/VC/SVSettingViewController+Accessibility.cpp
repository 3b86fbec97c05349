// Accessibility of the window: the names assistive technology gives every control, in the language in
// force and renewed on each language change, and the order in which Tab walks through the controls.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"

#include "Api/Source/NotificationCenter.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <initializer_list>

namespace {

QString localized(const char* key)
{
    return SVSettingViewController::localized(QString::fromLatin1(key));
}

void name(QWidget* widget, const QString& text)
{
    if (widget && widget->accessibleName() != text)
        widget->setAccessibleName(text);
}

// A field and its slider, or a gauge and its read-out, share their caption.
void name(std::initializer_list<QWidget*> widgets, const QString& text)
{
    for (QWidget* widget : widgets)
        name(widget, text);
}

// The motor button shows a picture of the power state; its name says it.
void nameMotorButton(SVSettingViewController& c)
{
    name(c.buttonMotor(), localized(c.motorLoad() ? "motor_power_on" : "motor_power_off"));
}

// Names that say what a control is for, where the control does not show it itself: the captions
// beside fields, sliders and switches, the titles of the gauges and read-outs, and the picture buttons.
// Text buttons, image-title buttons and the mode control's segments are named by the texts they show.
void nameControls(SVSettingViewController& c)
{
    name(c.viewWithTag(SVSettingViewController::TagButtonExit), localized("exit_window"));
    name(c.viewWithTag(SVSettingViewController::TagButtonMinimize), localized("minimize_window"));
    c.buttonLanguage()->setAccessibleDescription(localized("language"));

    name(c.textIDOperator(), QStringLiteral("ID"));
    c.textIDOperator()->setAccessibleDescription(localized("ID_range"));
    name(c.sege(), localized("work_mode"));
    name({c.textDebuggingtime(), c.sliderTime()}, localized("time"));
    name({c.textDebuggingPostion(), c.sliderPostion()}, localized("position"));
    name({c.textSpeed(), c.sliderSpeed()}, localized("speed"));
    nameMotorButton(c);
    name({c.dash(), c.textCurrentVoltage()}, localized("current_voltage"));
    name({c.dashPostion(), c.textCurrentPosition()}, localized("current_position"));
    name({c.dashTemperature(), c.textCurrentTemperature()}, localized("current_temperature"));

    name(c.textID(), QStringLiteral("ID"));
    name({c.textDeviation(), c.sliderDeviation()}, localized("deviation_modify"));
    name(c.switchLed(), localized("led_control"));
    name(c.switchOverTemperature(), localized("over_heat"));
    name(c.switchOverpressure(), localized("over_voltage"));
    name(c.switchStall(), localized("locked_rotor"));
    name(c.sliderAngleOne(), localized("angle_maximum"));
    name(c.sliderAngleTwo(), localized("angle_minimum"));
    name(c.sliderVoltageOne(), localized("voltage_minimum"));
    name(c.sliderVoltageTwo(), localized("voltage_maximum"));
    name(c.sliderTemperature(), localized("temperature_range_modify"));

    // The links show styled text; their names are the plain titles.
    name(c.labelOfficialWebsite(), localized("visit_official_website"));
    name(c.labelCourse(), localized("visit_learn_website"));
    name(c.labelOnlineShoppingMall(), localized("visit_online_store"));
}

// The lists show their choice as their name (the platform's way); their captions are tied to them
// as their labels, so that they are read together.
void labelLists(SVSettingViewController& c)
{
    // Their flat look draws no focus; a frame in the focus colour shows it.
    for (QComboBox* list : {c.boxBps(), c.boxCOM()})
        list->setStyleSheet(list->styleSheet()
                            + QStringLiteral(" QComboBox:focus { border: 2px solid palette(highlight); }"));
    c.labelBps()->setBuddy(c.boxBps());
    for (QLabel* label : c.viewNotline()->findChildren<QLabel*>()) {
        if (label->text() == QLatin1String("COM:"))
            label->setBuddy(c.boxCOM());
    }
}

// Tab walks the window as it reads: the window buttons, the tabs, the connection panel, then each
// page from its top left. Controls of hidden pages are passed over.
QList<QWidget*> tabOrder(SVSettingViewController& c)
{
    using C = SVSettingViewController;
    QList<QWidget*> order {
        c.viewWithTag(C::TagButtonMinimize), c.viewWithTag(C::TagButtonExit), c.buttonStopMotion(),
        c.buttonOperator(), c.buttonSetting(), c.buttonRobot(), c.buttonMotion(), c.buttonAbout(), c.buttonLanguage(),
        c.buttonWireless(), c.boxBps(), c.boxCOM(),
        c.textIDOperator(), c.sege(), c.textDebuggingtime(), c.sliderTime(), c.textDebuggingPostion(),
        c.sliderPostion(), c.textSpeed(), c.sliderSpeed(), c.buttonMotor(),
        c.textID(), c.textDeviation(), c.sliderDeviation(), c.switchLed(), c.switchOverTemperature(),
        c.switchOverpressure(), c.switchStall(), c.sliderAngleOne(), c.sliderAngleTwo(), c.sliderVoltageOne(),
        c.sliderVoltageTwo(), c.sliderTemperature(), c.viewWithTag(C::TagButtonRead), c.viewWithTag(C::TagButtonSet),
        c.viewWithTag(C::TagButtonDefault),
    };
    order += c.viewRobot()->tabOrder();
    order += c.viewMotion()->tabOrder();
    order += {c.labelOfficialWebsite(), c.labelCourse(), c.labelOnlineShoppingMall()};
    return order;
}

// In motor mode the speed panel lies over the time and position controls; while it does, Tab passes
// them over instead of moving the focus to controls nobody can see.
class CoveredControls : public QObject {
public:
    CoveredControls(QWidget* cover, const QList<QWidget*>& covered, QObject* parent)
        : QObject(parent)
    {
        for (QWidget* widget : covered) {
            m_covered.append(widget);
            m_policies.append(widget->focusPolicy());
        }
        cover->installEventFilter(this);
        apply(cover->isVisible());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            apply(event->type() == QEvent::Show);
        return QObject::eventFilter(watched, event);
    }

private:
    void apply(bool covered)
    {
        for (qsizetype i = 0; i < m_covered.size(); ++i) {
            if (m_covered[i])
                m_covered[i]->setFocusPolicy(covered ? Qt::NoFocus : m_policies[i]);
        }
    }

    QList<QPointer<QWidget>> m_covered;
    QList<Qt::FocusPolicy> m_policies;
};

// Gives the focus to a control when the window first shows (the view is built before it is put into
// the window, which leaves it without a focus).
class FocusOnFirstShow : public QObject {
public:
    FocusOnFirstShow(QWidget* view, QWidget* control)
        : QObject(view)
        , m_control(control)
    {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            if (m_control)
                m_control->setFocus(Qt::OtherFocusReason);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_control;
};

void chainTabOrder(const QList<QWidget*>& order)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        if (!widget)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

}  // namespace

void SVSettingViewController::initAccessibility()
{
    nameControls(*this);
    labelLists(*this);
    NotificationCenter::defaultCenter()->addObserver(
        this, SVChangeLanguageNotification, nullptr, [this](const Notification&) { nameControls(*this); });
    // The motor button's picture follows the power state read back from the servo; so does its name.
    connect(buttonMotor(), &SVButton::imageChanged, this, [this] { nameMotorButton(*this); });
    chainTabOrder(tabOrder(*this));
    // The first step after start-up is choosing a port; the keyboard starts there.
    new FocusOnFirstShow(view(), boxCOM());
    new CoveredControls(viewMotorSpeed(),
        {textDebuggingtime(), sliderTime(), textDebuggingPostion(), sliderPostion()}, this);
}

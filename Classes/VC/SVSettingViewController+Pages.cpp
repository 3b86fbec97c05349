// The window's content: top bar, connection panel, the basic operation, parameter and about pages,
// every control with its range, initial value, tag and place.
#include "Classes/VC/SVSettingViewController.h"
#include "Api/Bus/Protocol.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Slider/SVSpeedSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVImageView.h"
#include "Tools/SVLayout.h"
#include "Tools/SVTag.h"
#include "Tools/SVTools.h"
#include "Tools/SettingsStore.h"
#include "Tools/ViewInit.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <functional>

namespace {

using L = SVLayout;

QColor yellowFieldBackground() { return QColor(254, 210, 46); }
QColor yellowFieldText() { return QColor(87, 87, 87); }
QColor idFieldText() { return QColor(16, 16, 16); }

void setFontSize(QWidget* widget, int pixelSize)
{
    QFont font = widget->font();
    font.setPixelSize(pixelSize);
    widget->setFont(font);
}

// A plain view filled with one colour.
void fillBackground(QWidget* view, const QColor& color)
{
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, color);
    view->setPalette(palette);
}

// Adds view to parent, which must be one of the window's panels or the view itself.
void addTo(QWidget* view, QWidget* parent)
{
    view->setParent(parent);
    view->show();
}

}  // namespace

// Numeric fields, sliders and read-outs of the pages.
namespace {

BRNumberField* numberField(QWidget* parent, const QString& text, quint64 max, const QSize& size, bool yellow)
{
    auto* field = new BRNumberField(size, parent);
    field->setMax(max);
    field->setText(text);
    field->setFrame(false);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->setBackgroundColor(yellow ? yellowFieldBackground() : QColor(Qt::white));
    field->setTextColor(yellow ? yellowFieldText() : idFieldText());
    return field;
}

SVBaseTextField* readOut(QWidget* parent, const QString& text, const QColor& background)
{
    auto* pill = new SVBaseTextField(text, parent);
    pill->setCornerRadius(11);
    pill->setBackgroundColor(background);
    pill->setTextColor(Qt::white);
    pill->setAlignment(Qt::AlignHCenter);
    return pill;
}

// A label of the parameter page whose number a range slider follows; looks like the factory's labels.
SVObservableLabel* rangeLabel(const QString& text, QWidget* parent)
{
    auto* label = new SVObservableLabel(parent);
    QLabel* look = labelWithString(QString());
    label->setFont(look->font());
    label->setPalette(look->palette());
    label->setTextInteractionFlags(look->textInteractionFlags());
    delete look;
    label->setText(text);
    return label;
}

// Links a range slider and its label both ways: the slider stands at the number the label shows,
// and a move of the slider writes its value into the label in the label's format.
void linkSliderToLabel(SVSlider* slider, SVObservableLabel* label, std::function<QString(double)> format)
{
    auto following = std::make_shared<bool>(false);
    QObject::connect(label, &SVObservableLabel::textAssigned, slider, [slider, following](const QString& text) {
        if (*following)
            return;
        *following = true;
        slider->setStringValue(text);
        *following = false;
    });
    QObject::connect(slider, &SVSlider::valueChanged, label, [label, following, format](double value) {
        if (*following)
            return;
        *following = true;
        label->setText(format(value));
        *following = false;
    });
    // At the start the slider takes the number in its label; the label keeps its own text.
    *following = true;
    slider->setStringValue(label->text());
    *following = false;
}

ITSwitch* onSwitch(QWidget* parent)
{
    auto* toggle = new ITSwitch(parent);
    toggle->setChecked(true);
    return toggle;
}

SVSlider* makeSlider(QWidget* parent, SVSettingViewController* target, double min, double max,
    const QString& value, bool vertical, int tag, SVSliderCell* cell, double step)
{
    SVSlider* slider = SVSlider::initSliderWithFrame(QRect(), min, max, value, vertical, nullptr, nullptr, tag, cell,
        step, true);
    slider->setParent(parent);
    QObject::connect(slider, &SVSlider::actionSent, target, &SVSettingViewController::sliderClick);
    return slider;
}

}  // namespace

void SVSettingViewController::initUI()
{
    QWidget* root = m_view;
    QWidget* top = viewTop();
    addTo(top, root);
    L::place(top).left(L::leftOf(root)).right(L::rightOf(root)).top(L::topOf(root)).height(94);

    SVToolView* notline = viewNotline();
    addTo(notline, root);
    L::place(notline).left(L::leftOf(root), 5).width(190).top(L::bottomOf(top), -10).height(95);

    SVBackGroundView* setting = viewSetting();
    addTo(setting, root);
    L::place(setting)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(root), -5)
        .left(L::rightOf(notline), 5)
        .bottom(L::bottomOf(root), 10);
    placeSettingPanels();
    setButtons();
    setting->hide();

    SVBackGroundView* basic = viewBasicOperation();
    addTo(basic, root);
    L::place(basic)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(root), -5)
        .left(L::rightOf(notline), 5)
        .height(L::heightOf(setting));
    placeBasicOperationPanels();
    QTimer::singleShot(startupDelayMs, this, [this] {
        if (!m_view)
            return;
        addStatusPanel();
        reSetDash();
    });

    SVBackGroundView* about = viewAbout();
    addTo(about, root);
    L::place(about)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(root), -5)
        .left(L::rightOf(notline), 5)
        .height(L::heightOf(setting));
    about->hide();

    SVBackGroundView* motion = viewMotion();
    addTo(motion, root);
    L::place(motion)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(root), -5)
        .left(L::rightOf(notline), 5)
        .height(L::heightOf(setting));
    motion->hide();

    RobotPage* robot = viewRobot();
    addTo(robot, root);
    L::place(robot)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(root), -5)
        .left(L::rightOf(notline), 5)
        .height(L::heightOf(setting));
    robot->hide();
}

// Top bar: title art across the bar, the window buttons at the right, the tabs and the language
// toggle along its bottom, 40 apart, ending under the right edge of Exit.
void SVSettingViewController::buildTopBar()
{
    QWidget* bar = m_viewTop;
    fillBackground(bar, QColor::fromRgbF(1.0, 0.5, 0.0, 1.0));
    maximizeOnDoubleClick(bar);

    auto* title = new SVImageView(imageNamed(QStringLiteral("title")), bar);
    L::place(title).edges(bar);

    auto* exit = new SVButton(bar);
    exit->setImage(imageNamed(QStringLiteral("Exit")));
    exit->setImageButton(true);
    setTag(exit, TagButtonExit);
    exit->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(exit).size(22, 22).right(L::rightOf(bar), -60).bottom(L::bottomOf(bar), 38);

    auto* minimize = new SVButton(bar);
    minimize->setImage(imageNamed(QStringLiteral("Minimize")));
    minimize->setImageButton(true);
    setTag(minimize, TagButtonMinimize);
    minimize->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(minimize).size(22, 22).centerY(L::centerYOf(exit)).right(L::leftOf(exit), -40);

    auto tab = [this, bar](const QString& title, int tag) {
        SVButton* button = buttonWithTitle(title, this, &SVSettingViewController::buttonClick, tag, bar);
        button->setBackgroundColor(Qt::transparent);
        return button;
    };
    m_buttonLanguage = tab(localized(QStringLiteral("language")), TagButtonLanguage);
    const bool chineseSaved = SettingsStore::standard().text(BundleLanguage::displayNameKey) ==
        BundleLanguage::simplifiedChineseName;
    m_buttonLanguage->setTitle(chineseSaved ? BundleLanguage::englishName : BundleLanguage::simplifiedChineseName);
    L::place(m_buttonLanguage).height(20).right(L::rightOf(exit)).bottom(L::bottomOf(bar), 5);

    m_buttonAbout = tab(localized(QStringLiteral("about_us")), TagButtonAbout);
    L::place(m_buttonAbout).height(20).centerY(L::centerYOf(m_buttonLanguage)).right(L::leftOf(m_buttonLanguage), -40);

    m_buttonMotion = tab(localized(QStringLiteral("motion_tab")), TagButtonMotion);
    L::place(m_buttonMotion).height(20).centerY(L::centerYOf(m_buttonAbout)).right(L::leftOf(m_buttonAbout), -40);

    m_buttonRobot = tab(localized(QStringLiteral("robot_tab")), TagButtonRobot);
    L::place(m_buttonRobot).height(20).centerY(L::centerYOf(m_buttonMotion)).right(L::leftOf(m_buttonMotion), -40);

    m_buttonSetting = tab(localized(QStringLiteral("args_set")), TagButtonSetting);
    L::place(m_buttonSetting).height(20).centerY(L::centerYOf(m_buttonRobot)).right(L::leftOf(m_buttonRobot), -40);

    m_buttonOperator = tab(localized(QStringLiteral("basic_operation")), TagButtonOperator);
    L::place(m_buttonOperator)
        .height(20)
        .centerY(L::centerYOf(m_buttonSetting))
        .right(L::leftOf(m_buttonSetting), -40);

    // Stops a playing sequence from whichever page is shown; seen only while one plays.
    m_buttonStopMotion = buttonWithTitle(localized(QStringLiteral("motion_stop_sequence")), this,
        &SVSettingViewController::buttonClick, TagButtonStopMotion, bar);
    m_buttonStopMotion->setBackgroundColor(QColor(214, 39, 40));
    L::place(m_buttonStopMotion).height(24).width(130).centerY(L::centerYOf(m_buttonOperator)).right(L::leftOf(m_buttonOperator), -40);
    m_buttonStopMotion->hide();
}

// Connection panel: port list and baud-rate list with their captions above the status image and the
// open/close button. Each frame follows from the controls before it.
void SVSettingViewController::buildConnectionPanel()
{
    SVToolView* panel = m_viewNotline;
    // The panel has no title of its own: the port list covers the title's place.
    panel->lableTitle()->clear();

    const QRect imageFrame(30, 7, 20, 20);
    m_imageWirelessState = new SVImageView(imageNamed(QStringLiteral("disconnect")), panel);
    L::place(m_imageWirelessState).frame(imageFrame.x(), imageFrame.y(), imageFrame.width(), imageFrame.height());

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int buttonHeight = (screen && screen->geometry().width() > 1280) ? 25 : 20;
    const QRect buttonFrame(imageFrame.x() + imageFrame.width() + 35, 5, 90, buttonHeight);
    m_buttonWireless = buttonWithTitle(localized(QStringLiteral("open_com")), this,
        &SVSettingViewController::buttonClick, TagButtonWireless, panel);
    L::place(m_buttonWireless).frame(buttonFrame.x(), buttonFrame.y(), buttonFrame.width(), buttonFrame.height());

    auto listBox = [panel] {
        auto* box = new QComboBox(panel);
        box->setFrame(false);
        box->setStyleSheet(QStringLiteral("QComboBox { background: white; border: none; border-radius: 5px;"
                                          " padding-left: 6px; color: rgb(28, 28, 28); }"
                                          "QComboBox::drop-down { border: none; width: 16px; }"
                                          "QComboBox::down-arrow { image: url(:/images/popuparrow.svg);"
                                          " width: 8px; height: 5px; }"));
        return box;
    };
    const int imageTop = imageFrame.y() + imageFrame.height();
    const QRect bpsFrame(buttonFrame.x(), imageTop + 8, 90, 22);
    m_boxBps = listBox();
    L::place(m_boxBps).frame(bpsFrame.x(), bpsFrame.y(), bpsFrame.width(), bpsFrame.height());

    const QRect labelBpsFrame(8, imageTop - 2, 70, 30);
    m_labelBps = labelWithString(QString(), panel);
    m_labelBps->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L::place(m_labelBps).frame(labelBpsFrame.x(), labelBpsFrame.y(), labelBpsFrame.width(), labelBpsFrame.height());

    const QRect comFrame(bpsFrame.x(), bpsFrame.y() + bpsFrame.height() + 6, 90, 24);
    m_boxCOM = listBox();
    L::place(m_boxCOM).frame(comFrame.x(), comFrame.y(), comFrame.width(), comFrame.height());

    QLabel* comLabel = labelWithString(QStringLiteral("COM:"), panel);
    comLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L::place(comLabel).frame(labelBpsFrame.x(), comFrame.y() - 10, 70, 30);

    m_labelBps->setText(localized(QStringLiteral("baudrate")));
}

void SVSettingViewController::refreshConnectionPanelTexts()
{
    const bool open = m_serialPort && m_serialPort->isOpen();
    if (m_buttonWireless)
        m_buttonWireless->setTitle(localized(open ? QStringLiteral("close_com") : QStringLiteral("open_com")));
    if (m_labelBps)
        m_labelBps->setText(localized(QStringLiteral("baudrate")));
}

// Basic operation page.

void SVSettingViewController::placeBasicOperationPanels()
{
    SVBackGroundView* page = viewBasicOperation();
    SVToolView* idPanel = viewIDOperator();
    addTo(idPanel, page);
    L::place(idPanel).top(L::topOf(page), -10).left(L::leftOf(page), 10).size(230, 110);

    SVToolView* debugging = viewSteeringDebugging();
    addTo(debugging, page);
    L::place(debugging).top(L::bottomOf(idPanel), -10).left(L::leftOf(idPanel)).right(L::rightOf(idPanel)).height(250);
    viewMotorSpeed();

    SVToolView* motor = viewMotorOperator();
    addTo(motor, page);
    L::place(motor).top(L::bottomOf(debugging), -10).left(L::leftOf(debugging)).right(L::rightOf(debugging)).height(150);
}

void SVSettingViewController::addStatusPanel()
{
    SVBackGroundView* page = viewBasicOperation();
    SVToolView* status = viewGetState();
    addTo(status, page);
    L::place(status)
        .left(L::rightOf(viewIDOperator()), 10)
        .right(L::rightOf(page), -10)
        .top(L::topOf(viewIDOperator()))
        .bottom(L::bottomOf(viewMotorOperator()));
}

void SVSettingViewController::buildIDOperatorPanel()
{
    SVToolView* panel = m_viewIDOperator;
    QLabel* label = labelWithString(QStringLiteral("ID:"), panel);
    setFontSize(label, 15);
    L::place(label).frame(20, 30, 30, 15);

    m_textIDOperator = numberField(panel, QStringLiteral("1"), SVProtocol::highestServoId, QSize(60, 20), false);
    L::place(m_textIDOperator).left(L::rightOf(label)).bottom(L::bottomOf(panel), 25).size(60, 20);

    m_labelRange = labelWithString(localized(QStringLiteral("ID_range")), panel);
    setFontSize(m_labelRange, 15);
    L::place(m_labelRange).centerY(L::centerYOf(m_textIDOperator)).left(L::rightOf(m_textIDOperator), 10);
}

void SVSettingViewController::buildSteeringDebuggingPanel()
{
    SVToolView* panel = m_viewSteeringDebugging;
    panel->lableTitle()->setText(localized(QStringLiteral("servo_adjust")));

    m_sege = new SVSegmentedControl(panel);
    m_sege->setTranslator([](const QString& key) { return localized(key); });
    m_sege->setDelegate(this);  // the control follows language changes on its own
    // The control sizes its width to its titles; its centre stays on the panel's.
    L::place(m_sege).top(L::topOf(panel), -45).centerX(L::centerXOf(panel)).height(26);

    m_textDebuggingtime = numberField(panel, QStringLiteral("0"), 3000, QSize(50, 20), true);
    setTag(m_textDebuggingtime, TagTextDebuggingTime);
    m_textDebuggingtime->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(m_textDebuggingtime).top(L::bottomOf(m_sege), -50).left(L::leftOf(m_sege)).size(50, 20);

    m_debuggingtime = labelWithString(QStringLiteral("时间"), panel);
    L::place(m_debuggingtime)
        .bottom(L::topOf(m_textDebuggingtime), 5)
        .centerX(L::centerXOf(m_textDebuggingtime))
        .height(20);

    m_sliderTime = makeSlider(panel, this, 0, 3000, QStringLiteral("0"), false, TagSliderTime, new SVSpeedSlider, 1);
    L::place(m_sliderTime)
        .left(L::rightOf(m_textDebuggingtime), 20)
        .right(L::rightOf(m_sege))
        .height(40)
        .centerY(L::centerYOf(m_textDebuggingtime));

    m_textDebuggingPostion = numberField(panel, QStringLiteral("0"), 1000, QSize(50, 20), true);
    setTag(m_textDebuggingPostion, TagTextDebuggingPostion);
    m_textDebuggingPostion->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(m_textDebuggingPostion)
        .top(L::bottomOf(m_textDebuggingtime), -50)
        .centerX(L::centerXOf(m_textDebuggingtime))
        .size(50, 20);

    m_debuggingPostion = labelWithString(QString(), panel);
    L::place(m_debuggingPostion)
        .bottom(L::topOf(m_textDebuggingPostion), 5)
        .centerX(L::centerXOf(m_textDebuggingtime))
        .height(20);

    m_sliderPostion =
        makeSlider(panel, this, 0, 1000, QStringLiteral("0"), false, TagSliderPostion, new SVSpeedSlider, 1);
    L::place(m_sliderPostion)
        .left(L::rightOf(m_textDebuggingPostion), 20)
        .right(L::rightOf(m_sege))
        .height(L::heightOf(m_sliderTime))
        .centerY(L::centerYOf(m_textDebuggingPostion));

    // Last, so that in motor mode it lies over the time and position controls.
    viewMotorSpeed();
}

void SVSettingViewController::buildMotorSpeedPanel()
{
    QWidget* panel = m_viewMotorSpeed;
    QWidget* debugging = m_viewSteeringDebugging;
    fillBackground(panel, QColor(232, 232, 232));
    panel->hide();
    L::place(panel)
        .left(L::leftOf(debugging))
        .right(L::rightOf(debugging))
        .top(L::bottomOf(m_sege))
        .bottom(L::bottomOf(debugging), 20);

    m_textSpeed = numberField(panel, QStringLiteral("0"), 1000, QSize(50, 20), true);
    setTag(m_textSpeed, TagTextSpeed);
    m_textSpeed->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(m_textSpeed).top(L::topOf(panel), -50).centerX(L::centerXOf(panel), -80).size(50, 20);

    m_lableSpeed = labelWithString(QStringLiteral("速度"), panel);
    L::place(m_lableSpeed).bottom(L::topOf(m_textSpeed), 5).centerX(L::centerXOf(m_textSpeed)).height(20);

    m_sliderSpeed =
        makeSlider(panel, this, -1000, 1000, QStringLiteral("0"), false, TagSliderSpeed, new SVSpeedSlider, 1);
    L::place(m_sliderSpeed).left(L::rightOf(m_textSpeed), 20).width(130).height(20).centerY(L::centerYOf(m_textSpeed));
}

void SVSettingViewController::buildMotorOperatorPanel()
{
    SVToolView* panel = m_viewMotorOperator;
    panel->lableTitle()->setText(localized(QStringLiteral("motor_power_control")));

    m_buttonMotor = new SVButton(panel);
    m_buttonMotor->setImage(imageNamed(QStringLiteral("motoron")));
    m_buttonMotor->setImageButton(true);
    m_buttonMotor->setCornerRadius(40);
    setTag(m_buttonMotor, TagButtonMotor);
    m_buttonMotor->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(m_buttonMotor).top(L::topOf(panel), -40).centerX(L::centerXOf(panel)).size(80, 80);
}

void SVSettingViewController::buildGetStatePanel()
{
    SVToolView* panel = m_viewGetState;
    panel->lableTitle()->setText(localized(QStringLiteral("real_time_status")));

    m_dash = new SVDashBoardView(panel);
    L::place(m_dash).top(L::topOf(panel), -50).left(L::leftOf(panel), -5).size(200, 200);
    m_lableCurrentVoltage = labelWithString(QString(), panel);
    L::place(m_lableCurrentVoltage).top(L::bottomOf(m_dash), 60).left(L::leftOf(m_dash), 30);
    m_textCurrentVoltage = readOut(panel, QStringLiteral("0.0V"), QColor(249, 144, 0));
    L::place(m_textCurrentVoltage)
        .left(L::rightOf(m_lableCurrentVoltage), 10)
        .centerY(L::centerYOf(m_lableCurrentVoltage))
        .size(70, 22);

    m_dashPostion = new SVDashBoardPostionView(panel);
    L::place(m_dashPostion).top(L::bottomOf(m_dash), -50).centerX(L::centerXOf(m_dash)).size(200, 200);
    m_lableCurrentPostion = labelWithString(QString(), panel);
    L::place(m_lableCurrentPostion).top(L::bottomOf(m_dashPostion)).left(L::leftOf(m_dashPostion), 30);
    m_textCurrentPosition = readOut(panel, QStringLiteral("0"), yellowFieldBackground());
    L::place(m_textCurrentPosition)
        .left(L::rightOf(m_lableCurrentPostion), 10)
        .centerY(L::centerYOf(m_lableCurrentPostion))
        .size(70, 22);

    m_dashTemperature = new SVDashBoardTemperatureView(panel);
    L::place(m_dashTemperature)
        .right(L::rightOf(panel), -30)
        .centerY(L::centerYOf(panel))
        .width(temperatureGaugeSize.width())
        .height(temperatureGaugeSize.height());
    m_lableCurrentTemperature = labelWithString(localized(QStringLiteral("cur_temperature")), panel);
    L::place(m_lableCurrentTemperature).top(L::bottomOf(m_dashTemperature), -20).left(L::leftOf(m_dashTemperature), -85);
    m_textCurrentTemperature = readOut(panel, QStringLiteral("0℃"), QColor(187, 187, 187));
    L::place(m_textCurrentTemperature)
        .left(L::rightOf(m_lableCurrentTemperature), 10)
        .centerY(L::centerYOf(m_lableCurrentTemperature))
        .size(70, 22);
}

// Parameter page: two rows of three panels, and the read, set and default buttons below them.

void SVSettingViewController::placeSettingPanels()
{
    SVBackGroundView* page = viewSetting();
    SVToolView* id = viewID();
    addTo(id, page);
    L::place(id).top(L::topOf(page), -10).left(L::leftOf(page), 10).size(215, 110);

    SVToolView* deviation = viewAngleDeviation();
    addTo(deviation, page);
    L::place(deviation).top(L::bottomOf(id), -10).left(L::leftOf(id)).width(L::widthOf(id)).height(90);

    SVToolView* led = viewLEDControl();
    addTo(led, page);
    L::place(led).top(L::topOf(id)).left(L::rightOf(id), 10).width(178).bottom(L::bottomOf(deviation));

    SVToolView* alert = viewLEDAlert();
    addTo(alert, page);
    L::place(alert).top(L::topOf(led)).left(L::rightOf(led), 10).width(L::widthOf(led)).bottom(L::bottomOf(deviation));

    SVToolView* angle = viewAngleAdjustment();
    addTo(angle, page);
    L::place(angle).top(L::bottomOf(deviation), -10).left(L::leftOf(deviation)).width(L::widthOf(deviation)).height(230);

    SVToolView* voltage = viewVoltageAdjustment();
    addTo(voltage, page);
    L::place(voltage).top(L::topOf(angle)).left(L::leftOf(led)).width(L::widthOf(led)).height(L::heightOf(angle));

    SVToolView* temperature = viewTemperatureAdjustment();
    addTo(temperature, page);
    L::place(temperature).top(L::topOf(angle)).left(L::leftOf(alert)).width(L::widthOf(led)).height(L::heightOf(angle));
}

void SVSettingViewController::setButtons()
{
    QWidget* page = viewSetting();
    auto button = [this, page](const QString& key, int tag) {
        auto* made = new SVImageTitleButton(key, imageNamed(key), this, &SVSettingViewController::buttonClick, tag, page);
        made->setObjectName(QStringLiteral("button_%1").arg(key));
        made->show();
        return made;
    };
    SVImageTitleButton* restore = button(QStringLiteral("default"), TagButtonDefault);
    L::place(restore)
        .bottom(L::bottomOf(page), 10)
        .centerX(L::centerXOf(viewTemperatureAdjustment()))
        .size(settingButtonSize.width(), settingButtonSize.height());
    SVImageTitleButton* write = button(QStringLiteral("set"), TagButtonSet);
    L::place(write)
        .top(L::topOf(restore))
        .centerX(L::centerXOf(viewVoltageAdjustment()))
        .width(L::widthOf(restore))
        .height(L::heightOf(restore));
    SVImageTitleButton* read = button(QStringLiteral("read"), TagButtonRead);
    L::place(read)
        .top(L::topOf(restore))
        .centerX(L::centerXOf(viewAngleAdjustment()))
        .width(L::widthOf(restore))
        .height(L::heightOf(restore));
}

void SVSettingViewController::buildIDPanel()
{
    SVToolView* panel = m_viewID;
    QLabel* label = labelWithString(QStringLiteral("ID:"), panel);
    setFontSize(label, 15);
    L::place(label).frame(60, 30, 30, 15);
    m_textID = numberField(panel, QStringLiteral("1"), SVProtocol::highestServoId, QSize(60, 20), false);
    L::place(m_textID).left(L::rightOf(label)).bottom(L::bottomOf(panel), 25).size(60, 20);
}

void SVSettingViewController::buildAngleDeviationPanel()
{
    SVToolView* panel = m_viewAngleDeviation;
    panel->lableTitle()->setText(localized(QStringLiteral("deviation_modify")));

    QLabel* placeholder = labelWithString(QString(), panel);
    placeholder->setAlignment(Qt::AlignCenter);
    setTag(placeholder, TagDeviationPlaceholder);
    L::place(placeholder).top(L::topOf(panel), -40).centerX(L::centerXOf(panel)).size(60, 20);

    m_textDeviation = numberField(panel, QStringLiteral("0"), 125, QSize(60, 20), false);
    setTag(m_textDeviation, TagTextDeviation);
    m_textDeviation->setTarget(this, &SVSettingViewController::buttonClick);
    L::place(m_textDeviation).frame(10, 20, 60, 20);

    m_sliderDeviation =
        makeSlider(panel, this, -125, 125, QStringLiteral("0"), false, TagSliderDeviation, new SVToolSlider, 1);
    L::place(m_sliderDeviation)
        .left(L::rightOf(m_textDeviation), 5)
        .right(L::rightOf(panel), -10)
        .height(20)
        .centerY(L::centerYOf(m_textDeviation));
}

void SVSettingViewController::buildLEDControlPanel()
{
    SVToolView* panel = m_viewLEDControl;
    panel->lableTitle()->setText(localized(QStringLiteral("led_control")));

    m_switchLed = onSwitch(panel);
    setTag(m_switchLed, TagLedSwitch);
    connect(m_switchLed, &ITSwitch::actionSent, this, &SVSettingViewController::buttonClick);
    L::place(m_switchLed).top(L::topOf(panel), -55).centerX(L::centerXOf(panel)).size(34, 20);

    m_labelLED = labelWithString(QStringLiteral("On"), panel);
    L::place(m_labelLED).left(L::rightOf(m_switchLed), 10).centerY(L::centerYOf(m_switchLed)).size(34, 20);

    m_imageLEDState = new SVImageView(imageNamed(QStringLiteral("ledoff")), panel);
    m_imageLEDState->setCornerRadius(10);
    m_imageLEDState->setBackgroundColor(SVButton::buttonOrange());
    L::place(m_imageLEDState).top(L::bottomOf(m_switchLed), -25).centerX(L::centerXOf(panel)).size(90, 90);
}

void SVSettingViewController::buildLEDAlertPanel()
{
    SVToolView* panel = m_viewLEDAlert;
    panel->lableTitle()->setText(localized(QStringLiteral("led_warning")));

    auto row = [panel](QPointer<QLabel>& label, QPointer<ITSwitch>& toggle, const QString& key) {
        label = labelWithString(localized(key), panel);
        toggle = onSwitch(panel);
        return label.data();
    };
    QLabel* overTemperature = row(m_labelOverTemperature, m_switchOverTemperature, QStringLiteral("over_heat"));
    L::place(overTemperature).top(L::topOf(panel), -60).left(L::leftOf(panel), 50).height(20);
    L::place(m_switchOverTemperature)
        .left(L::rightOf(overTemperature), 10)
        .centerY(L::centerYOf(overTemperature))
        .size(34, 20);

    QLabel* overpressure = row(m_labelOverpressure, m_switchOverpressure, QStringLiteral("over_voltage"));
    L::place(overpressure).top(L::bottomOf(overTemperature), -20).centerX(L::centerXOf(overTemperature)).height(20);
    L::place(m_switchOverpressure).left(L::rightOf(overpressure), 10).centerY(L::centerYOf(overpressure)).size(34, 20);

    QLabel* stall = row(m_labelStall, m_switchStall, QStringLiteral("locked_rotor"));
    L::place(stall).top(L::bottomOf(overpressure), -20).centerX(L::centerXOf(overpressure)).height(20);
    L::place(m_switchStall).left(L::rightOf(stall), 10).centerY(L::centerYOf(stall)).size(34, 20);
}

void SVSettingViewController::buildAngleAdjustmentPanel()
{
    SVToolView* panel = m_viewAngleAdjustment;
    panel->lableTitle()->setText(localized(QStringLiteral("angle_range_modify")));

    m_lableAngleTop = rangeLabel(QStringLiteral("1000"), panel);
    m_lableAngleTop->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L::place(m_lableAngleTop).top(L::topOf(panel), -60).centerX(L::centerXOf(panel)).height(20);

    m_sliderAngleOne =
        makeSlider(panel, this, 1, 1000, QStringLiteral("1000"), false, TagSliderAngleOne, new SVToolSlider, 1);
    L::place(m_sliderAngleOne)
        .top(L::bottomOf(m_lableAngleTop))
        .left(L::leftOf(panel), 20)
        .right(L::rightOf(panel), -20)
        .height(20);

    m_sliderAngleTwo =
        makeSlider(panel, this, 0, 999, QStringLiteral("0"), false, TagSliderAngleTwo, new SVToolSlider, 1);
    L::place(m_sliderAngleTwo)
        .bottom(L::bottomOf(panel), 50)
        .left(L::leftOf(panel), 20)
        .right(L::rightOf(panel), -20)
        .height(20);

    m_lableAngleBottom = rangeLabel(QStringLiteral("0"), panel);
    L::place(m_lableAngleBottom).bottom(L::topOf(m_sliderAngleTwo)).centerX(L::centerXOf(panel)).height(20);
}

void SVSettingViewController::buildVoltageAdjustmentPanel()
{
    SVToolView* panel = m_viewVoltageAdjustment;
    panel->lableTitle()->setText(localized(QStringLiteral("voltage_range_modify")));

    m_lableVoltageRangeMin = rangeLabel(QStringLiteral("4.5"), panel);
    m_lableVoltageRangeMin->setAlignment(Qt::AlignCenter);
    L::place(m_lableVoltageRangeMin).bottom(L::bottomOf(panel), 90).left(L::leftOf(panel), 10).size(40, 20);

    m_sliderVoltageOne =
        makeSlider(panel, this, 4.5, 13.9, QStringLiteral("4.5"), true, TagSliderVoltageOne, new SVToolSlider, 0.1);
    L::place(m_sliderVoltageOne)
        .left(L::rightOf(m_lableVoltageRangeMin), 5)
        .centerY(L::centerYOf(m_lableVoltageRangeMin))
        .size(20, 140);

    m_lableVoltageRangeMax = rangeLabel(QStringLiteral("14"), panel);
    m_lableVoltageRangeMax->setAlignment(Qt::AlignCenter);
    L::place(m_lableVoltageRangeMax)
        .right(L::rightOf(panel), -10)
        .centerY(L::centerYOf(m_lableVoltageRangeMin))
        .size(40, 20);

    m_sliderVoltageTwo =
        makeSlider(panel, this, 4.6, 14, QStringLiteral("12"), true, TagSliderVoltageTwo, new SVToolSlider, 0.1);
    L::place(m_sliderVoltageTwo)
        .right(L::leftOf(m_lableVoltageRangeMax), -5)
        .centerY(L::centerYOf(m_lableVoltageRangeMax))
        .width(L::widthOf(m_sliderVoltageOne))
        .height(140);
}

void SVSettingViewController::buildTemperatureAdjustmentPanel()
{
    SVToolView* panel = m_viewTemperatureAdjustment;
    panel->lableTitle()->setText(localized(QStringLiteral("temperature_range_modify")));

    m_lableTemperatureRange = rangeLabel(QStringLiteral("85 ℃"), panel);
    L::place(m_lableTemperatureRange).bottom(L::bottomOf(panel), 90).right(L::rightOf(panel), -5).size(60, 20);

    m_sliderTemperature =
        makeSlider(panel, this, 50, 100, QStringLiteral("85"), true, TagSliderTemperature, new SVToolSlider, 1);
    L::place(m_sliderTemperature)
        .centerX(L::centerXOf(panel))
        .centerY(L::centerYOf(m_lableTemperatureRange))
        .size(20, 140);
}

// About page: logo, version, publisher line and the three links, centred one below the other.
void SVSettingViewController::buildAboutPage()
{
    SVBackGroundView* page = m_viewAbout;
    auto* logo = new SVImageView(imageNamed(QStringLiteral("logo")), page);
    L::place(logo).top(L::topOf(page), -50).centerX(L::centerXOf(page)).size(299, 38);

    m_labelVersion = labelWithString(versionText(), page);
    setFontSize(m_labelVersion, 20);
    L::place(m_labelVersion).top(L::bottomOf(logo), -30).centerX(L::centerXOf(page));

    m_labelCopyright = labelWithString(copyrightText(), page);
    setFontSize(m_labelCopyright, 18);
    L::place(m_labelCopyright).top(L::bottomOf(m_labelVersion), -30).centerX(L::centerXOf(page));

    QWidget* above = m_labelCopyright;
    for (const AboutLink& link : aboutLinks()) {
        QLabel* label = SVTools::returnWebLabel(nullptr, localized(link.key), link.address, page);
        L::place(label).top(L::bottomOf(above), -20).centerX(L::centerXOf(page));
        this->*link.property = label;
        above = label;
    }
}

QString SVSettingViewController::versionText() const
{
    return localized(QStringLiteral("version")) + QStringLiteral(SERVODESK_VERSION);
}

// The publisher line; the build names the publisher.
QString SVSettingViewController::copyrightText()
{
    return localized(QStringLiteral("company")).replace(QStringLiteral("%@"), QStringLiteral(SERVODESK_PUBLISHER));
}

QList<SVSettingViewController::AboutLink> SVSettingViewController::aboutLinks()
{
    return {
        { QStringLiteral("visit_official_website"), QStringLiteral(SERVODESK_WEBSITE_URL),
            &SVSettingViewController::m_labelOfficialWebsite },
        { QStringLiteral("visit_learn_website"), QStringLiteral(SERVODESK_DOCS_URL),
            &SVSettingViewController::m_labelCourse },
        { QStringLiteral("visit_online_store"), QStringLiteral(SERVODESK_SUPPORT_URL),
            &SVSettingViewController::m_labelOnlineShoppingMall },
    };
}

void SVSettingViewController::bindRangeSliders()
{
    const auto whole = [](double value) { return QString::number(qint64(value)); };
    const auto tenths = [](double value) { return QString::asprintf("%.1f", value); };
    const auto degrees = [](double value) { return QStringLiteral("%1 ℃").arg(qint64(value)); };
    linkSliderToLabel(sliderAngleOne(), lableAngleTop(), whole);
    linkSliderToLabel(sliderAngleTwo(), lableAngleBottom(), whole);
    linkSliderToLabel(sliderVoltageOne(), lableVoltageRangeMin(), tenths);
    linkSliderToLabel(sliderVoltageTwo(), lableVoltageRangeMax(), tenths);
    linkSliderToLabel(sliderTemperature(), lableTemperatureRange(), degrees);
}

// Servo mode (0) hides the motor-speed panel and stops the motor, putting the servo back into servo
// mode; motor mode (1) only shows the panel: the first speed the user sets starts the motor.
void SVSettingViewController::selectTitleIndex(int index)
{
    if (index == 0 && refusedWhileBusTaken()) {
        sege()->setIndex(1);  // the motor keeps running until the servo can be told
        return;
    }
    viewMotorSpeed()->setHidden(index == 0);
    if (index != 0)
        return;
    textSpeed()->setText(QStringLiteral("0"));
    sliderSpeed()->setStringValue(QStringLiteral("0"));
    serialApi().sendSpeed(textIDOperator()->text(), textSpeed()->text(), 0);
}

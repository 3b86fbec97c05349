// The controller's construction, its view's start-up steps, its delayed calls, and the lazy getters of
// every panel and control.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVLayout.h"
#include "Tools/SVTag.h"

#include <QEvent>
#include <QHash>
#include <QTimer>
#include <QWidget>

SVSettingViewController::SVSettingViewController(QObject* parent)
    : QObject(parent)
    , m_serialApi(std::make_unique<SVSerial>())
{
    m_replies.setUnawaitedHandler(this, [this](const QList<ReplyRouter::Heard>& heard) { showReplies(heard); });
}

SVSettingViewController::~SVSettingViewController()
{
    cancelPreviousPerformRequests();
    m_busWorker.reset();
    // The view may belong to the window by now; whichever goes first takes the widgets with it.
    delete m_view.data();
    // Panels read before the view was built have no parent yet.
    const QList<QWidget*> panels { m_viewTop, m_viewNotline, m_viewBasicOperation, m_viewSetting, m_viewAbout, m_viewMotion, m_viewRobot,
        m_viewIDOperator, m_viewSteeringDebugging, m_viewMotorOperator, m_viewGetState, m_viewID,
        m_viewAngleDeviation, m_viewLEDControl, m_viewLEDAlert, m_viewAngleAdjustment,
        m_viewVoltageAdjustment, m_viewTemperatureAdjustment, m_myprogress };
    for (QWidget* panel : panels) {
        if (panel && !panel->parent())
            delete panel;
    }
}

QString SVSettingViewController::localized(const QString& key)
{
    return BundleLanguage::localizedStringForKey(key);
}

// Each image is made once and shared, so that its renderings are cached once and an unchanged
// image set again is recognised as the same.
QIcon SVSettingViewController::imageNamed(const QString& name)
{
    static QHash<QString, QIcon> made;
    auto found = made.find(name);
    if (found == made.end())
        found = made.insert(name, QIcon(QStringLiteral(":/images/%1.svg").arg(name)));
    return *found;
}

QWidget* SVSettingViewController::view()
{
    if (!m_view) {
        m_view = new QWidget;
        m_view->setObjectName(QStringLiteral("SVSettingViewControllerView"));
        m_view->installEventFilter(this);
        viewDidLoad();
    }
    return m_view;
}

void SVSettingViewController::viewDidLoad()
{
    initUI();
    initPortManager();
    initBind();
    initAccessibility();
}

void SVSettingViewController::viewDidAppear()
{
    // A window closed by the desktop while a sequence plays waits for its servos to hold.
    if (m_view && m_view->window() != m_view)
        m_view->window()->installEventFilter(this);
    QTimer::singleShot(startupDelayMs, this, [this] {
        if (m_view)
            reSetLanguage();
    });
}

bool SVSettingViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Show && !m_viewAppeared) {
        m_viewAppeared = true;
        viewDidAppear();
    }
    if (m_view && watched == m_view->window() && event->type() == QEvent::Close
        && ((m_viewMotion && m_viewMotion->isPlaying()) || (m_viewRobot && m_viewRobot->isRecording()))) {
        event->ignore();
        exitWindow();
        return true;
    }
    if (m_myprogress && watched == m_progressAnchor
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeProgress();
    return QObject::eventFilter(watched, event);
}

void SVSettingViewController::performAfterDelay(int ms, std::function<void()> fn)
{
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer, fn = std::move(fn)] {
        m_delayedCalls.removeAll(timer);
        timer->deleteLater();
        fn();
    });
    m_delayedCalls.append(timer);
    timer->start(ms);
}

void SVSettingViewController::cancelPreviousPerformRequests()
{
    const QList<QPointer<QTimer>> pending = std::exchange(m_delayedCalls, {});
    for (QTimer* timer : pending) {
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    }
}

int SVSettingViewController::pendingDelayedCallCount() const
{
    int count = 0;
    for (const QPointer<QTimer>& timer : m_delayedCalls)
        count += (timer && timer->isActive()) ? 1 : 0;
    return count;
}

// Panels: built on first read, with their content.

QWidget* SVSettingViewController::viewTop()
{
    if (!m_viewTop) {
        m_viewTop = new QWidget;
        buildTopBar();
    }
    return m_viewTop;
}

SVToolView* SVSettingViewController::viewNotline()
{
    if (!m_viewNotline) {
        m_viewNotline = new SVToolView;
        buildConnectionPanel();
    }
    return m_viewNotline;
}

SVBackGroundView* SVSettingViewController::viewBasicOperation()
{
    if (!m_viewBasicOperation)
        m_viewBasicOperation = new SVBackGroundView(2);
    return m_viewBasicOperation;
}

SVBackGroundView* SVSettingViewController::viewSetting()
{
    if (!m_viewSetting)
        m_viewSetting = new SVBackGroundView(2);
    return m_viewSetting;
}

SVBackGroundView* SVSettingViewController::viewAbout()
{
    if (!m_viewAbout) {
        m_viewAbout = new SVBackGroundView(2);
        buildAboutPage();
    }
    return m_viewAbout;
}

MotionPage* SVSettingViewController::viewMotion()
{
    if (!m_viewMotion)
        buildMotionPage();
    return m_viewMotion;
}

RobotPage* SVSettingViewController::viewRobot()
{
    if (!m_viewRobot)
        buildRobotPage();
    return m_viewRobot;
}

SVToolView* SVSettingViewController::viewIDOperator()
{
    if (!m_viewIDOperator) {
        m_viewIDOperator = new SVToolView;
        buildIDOperatorPanel();
    }
    return m_viewIDOperator;
}

SVToolView* SVSettingViewController::viewSteeringDebugging()
{
    if (!m_viewSteeringDebugging) {
        m_viewSteeringDebugging = new SVToolView;
        buildSteeringDebuggingPanel();
    }
    return m_viewSteeringDebugging;
}

QWidget* SVSettingViewController::viewMotorSpeed()
{
    if (!m_viewMotorSpeed) {
        m_viewMotorSpeed = new QWidget(viewSteeringDebugging());
        buildMotorSpeedPanel();
    }
    return m_viewMotorSpeed;
}

SVToolView* SVSettingViewController::viewMotorOperator()
{
    if (!m_viewMotorOperator) {
        m_viewMotorOperator = new SVToolView;
        buildMotorOperatorPanel();
    }
    return m_viewMotorOperator;
}

SVToolView* SVSettingViewController::viewGetState()
{
    if (!m_viewGetState) {
        m_viewGetState = new SVToolView;
        buildGetStatePanel();
    }
    return m_viewGetState;
}

SVToolView* SVSettingViewController::viewID()
{
    if (!m_viewID) {
        m_viewID = new SVToolView;
        buildIDPanel();
    }
    return m_viewID;
}

SVToolView* SVSettingViewController::viewAngleDeviation()
{
    if (!m_viewAngleDeviation) {
        m_viewAngleDeviation = new SVToolView;
        buildAngleDeviationPanel();
    }
    return m_viewAngleDeviation;
}

SVToolView* SVSettingViewController::viewLEDControl()
{
    if (!m_viewLEDControl) {
        m_viewLEDControl = new SVToolView;
        buildLEDControlPanel();
    }
    return m_viewLEDControl;
}

SVToolView* SVSettingViewController::viewLEDAlert()
{
    if (!m_viewLEDAlert) {
        m_viewLEDAlert = new SVToolView;
        buildLEDAlertPanel();
    }
    return m_viewLEDAlert;
}

SVToolView* SVSettingViewController::viewAngleAdjustment()
{
    if (!m_viewAngleAdjustment) {
        m_viewAngleAdjustment = new SVToolView;
        buildAngleAdjustmentPanel();
    }
    return m_viewAngleAdjustment;
}

SVToolView* SVSettingViewController::viewVoltageAdjustment()
{
    if (!m_viewVoltageAdjustment) {
        m_viewVoltageAdjustment = new SVToolView;
        buildVoltageAdjustmentPanel();
    }
    return m_viewVoltageAdjustment;
}

SVToolView* SVSettingViewController::viewTemperatureAdjustment()
{
    if (!m_viewTemperatureAdjustment) {
        m_viewTemperatureAdjustment = new SVToolView;
        buildTemperatureAdjustmentPanel();
    }
    return m_viewTemperatureAdjustment;
}

SVProgressView* SVSettingViewController::myprogress()
{
    if (!m_myprogress) {
        m_myprogress = new SVProgressView(view());
        m_myprogress->hide();
        m_progressAnchor = viewWithTag(TagButtonSet);
        if (m_progressAnchor)
            m_progressAnchor->installEventFilter(this);
        placeProgress();
    }
    return m_myprogress;
}

void SVSettingViewController::placeProgress()
{
    QWidget* setButton = m_progressAnchor;
    if (!m_myprogress || !setButton)
        return;
    // 5 above the "set" button's top, centred on it; the bar lies in the view, the button in a page.
    const QPoint topCentre = setButton->mapTo(m_view, QPoint(setButton->width() / 2, 0));
    m_myprogress->setGeometry(topCentre.x() - progressSize.width() / 2, topCentre.y() - 5 - progressSize.height(),
        progressSize.width(), progressSize.height());
}

QWidget* SVSettingViewController::viewWithTag(int tag)
{
    QWidget* root = view();
    if (tagOf(root) == tag)
        return root;
    for (QWidget* child : root->findChildren<QWidget*>()) {
        if (tagOf(child) == tag)
            return child;
    }
    return nullptr;
}

// Controls: each getter builds the panel that holds the control.

SVButton* SVSettingViewController::buttonOperator() { viewTop(); return m_buttonOperator; }
SVButton* SVSettingViewController::buttonSetting() { viewTop(); return m_buttonSetting; }
SVButton* SVSettingViewController::buttonAbout() { viewTop(); return m_buttonAbout; }
SVButton* SVSettingViewController::buttonMotion() { viewTop(); return m_buttonMotion; }
SVButton* SVSettingViewController::buttonRobot() { viewTop(); return m_buttonRobot; }
SVButton* SVSettingViewController::buttonLanguage() { viewTop(); return m_buttonLanguage; }
SVButton* SVSettingViewController::buttonStopMotion() { viewTop(); return m_buttonStopMotion; }

SVImageView* SVSettingViewController::imageWirelessState() { viewNotline(); return m_imageWirelessState; }
SVButton* SVSettingViewController::buttonWireless() { viewNotline(); return m_buttonWireless; }
QLabel* SVSettingViewController::labelBps() { viewNotline(); return m_labelBps; }
QComboBox* SVSettingViewController::boxBps() { viewNotline(); return m_boxBps; }
QComboBox* SVSettingViewController::boxCOM() { viewNotline(); return m_boxCOM; }

BRNumberField* SVSettingViewController::textIDOperator() { viewIDOperator(); return m_textIDOperator; }
QLabel* SVSettingViewController::labelRange() { viewIDOperator(); return m_labelRange; }
SVSegmentedControl* SVSettingViewController::sege() { viewSteeringDebugging(); return m_sege; }
BRNumberField* SVSettingViewController::textDebuggingtime() { viewSteeringDebugging(); return m_textDebuggingtime; }
QLabel* SVSettingViewController::debuggingtime() { viewSteeringDebugging(); return m_debuggingtime; }
SVSlider* SVSettingViewController::sliderTime() { viewSteeringDebugging(); return m_sliderTime; }
BRNumberField* SVSettingViewController::textDebuggingPostion() { viewSteeringDebugging(); return m_textDebuggingPostion; }
QLabel* SVSettingViewController::debuggingPostion() { viewSteeringDebugging(); return m_debuggingPostion; }
SVSlider* SVSettingViewController::sliderPostion() { viewSteeringDebugging(); return m_sliderPostion; }
QLabel* SVSettingViewController::lableSpeed() { viewMotorSpeed(); return m_lableSpeed; }
BRNumberField* SVSettingViewController::textSpeed() { viewMotorSpeed(); return m_textSpeed; }
SVSlider* SVSettingViewController::sliderSpeed() { viewMotorSpeed(); return m_sliderSpeed; }
SVButton* SVSettingViewController::buttonMotor() { viewMotorOperator(); return m_buttonMotor; }
SVDashBoardView* SVSettingViewController::dash() { viewGetState(); return m_dash; }
QLabel* SVSettingViewController::lableCurrentVoltage() { viewGetState(); return m_lableCurrentVoltage; }
SVBaseTextField* SVSettingViewController::textCurrentVoltage() { viewGetState(); return m_textCurrentVoltage; }
SVDashBoardPostionView* SVSettingViewController::dashPostion() { viewGetState(); return m_dashPostion; }
QLabel* SVSettingViewController::lableCurrentPostion() { viewGetState(); return m_lableCurrentPostion; }
SVBaseTextField* SVSettingViewController::textCurrentPosition() { viewGetState(); return m_textCurrentPosition; }
SVDashBoardTemperatureView* SVSettingViewController::dashTemperature() { viewGetState(); return m_dashTemperature; }
QLabel* SVSettingViewController::lableCurrentTemperature() { viewGetState(); return m_lableCurrentTemperature; }
SVBaseTextField* SVSettingViewController::textCurrentTemperature() { viewGetState(); return m_textCurrentTemperature; }

BRNumberField* SVSettingViewController::textID() { viewID(); return m_textID; }
BRNumberField* SVSettingViewController::textDeviation() { viewAngleDeviation(); return m_textDeviation; }
SVSlider* SVSettingViewController::sliderDeviation() { viewAngleDeviation(); return m_sliderDeviation; }
ITSwitch* SVSettingViewController::switchLed() { viewLEDControl(); return m_switchLed; }
QLabel* SVSettingViewController::labelLED() { viewLEDControl(); return m_labelLED; }
SVImageView* SVSettingViewController::imageLEDState() { viewLEDControl(); return m_imageLEDState; }
QLabel* SVSettingViewController::labelOverTemperature() { viewLEDAlert(); return m_labelOverTemperature; }
ITSwitch* SVSettingViewController::switchOverTemperature() { viewLEDAlert(); return m_switchOverTemperature; }
QLabel* SVSettingViewController::labelOverpressure() { viewLEDAlert(); return m_labelOverpressure; }
ITSwitch* SVSettingViewController::switchOverpressure() { viewLEDAlert(); return m_switchOverpressure; }
QLabel* SVSettingViewController::labelStall() { viewLEDAlert(); return m_labelStall; }
ITSwitch* SVSettingViewController::switchStall() { viewLEDAlert(); return m_switchStall; }
SVObservableLabel* SVSettingViewController::lableAngleTop() { viewAngleAdjustment(); return m_lableAngleTop; }
SVSlider* SVSettingViewController::sliderAngleOne() { viewAngleAdjustment(); return m_sliderAngleOne; }
SVSlider* SVSettingViewController::sliderAngleTwo() { viewAngleAdjustment(); return m_sliderAngleTwo; }
SVObservableLabel* SVSettingViewController::lableAngleBottom() { viewAngleAdjustment(); return m_lableAngleBottom; }
SVObservableLabel* SVSettingViewController::lableVoltageRangeMin() { viewVoltageAdjustment(); return m_lableVoltageRangeMin; }
SVSlider* SVSettingViewController::sliderVoltageOne() { viewVoltageAdjustment(); return m_sliderVoltageOne; }
SVObservableLabel* SVSettingViewController::lableVoltageRangeMax() { viewVoltageAdjustment(); return m_lableVoltageRangeMax; }
SVSlider* SVSettingViewController::sliderVoltageTwo() { viewVoltageAdjustment(); return m_sliderVoltageTwo; }
SVObservableLabel* SVSettingViewController::lableTemperatureRange() { viewTemperatureAdjustment(); return m_lableTemperatureRange; }
SVSlider* SVSettingViewController::sliderTemperature() { viewTemperatureAdjustment(); return m_sliderTemperature; }

QLabel* SVSettingViewController::labelVersion() { viewAbout(); return m_labelVersion; }
QLabel* SVSettingViewController::labelCopyright() { viewAbout(); return m_labelCopyright; }
QLabel* SVSettingViewController::labelOfficialWebsite() { viewAbout(); return m_labelOfficialWebsite; }
QLabel* SVSettingViewController::labelCourse() { viewAbout(); return m_labelCourse; }
QLabel* SVSettingViewController::labelOnlineShoppingMall() { viewAbout(); return m_labelOnlineShoppingMall; }

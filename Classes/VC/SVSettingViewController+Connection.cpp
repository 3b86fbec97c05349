// Connection handling: the port manager and its notifications, the links of the connection panel,
// choosing, opening and closing the port, the port's callbacks with their tips (a failed open, a slow
// adapter) and the LED switch's look.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/SVStatePoll.h"
#include "Api/Source/AdapterLatency.h"
#include "Api/Source/DesktopNotifier.h"
#include "Api/Source/NotificationCenter.h"
#include "Api/Source/ORSSerialLine.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageView.h"
#include "Tools/SVTools.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include <cerrno>

namespace {

constexpr int defaultBaudRate = 115200;

QColor ledOnColor()
{
    return SVButton::buttonOrange();
}

QColor ledOffColor()
{
    return QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
}

}  // namespace

// ---- Start-up ----

void SVSettingViewController::initPortManager()
{
    if (!m_serialPortManager)
        m_serialPortManager = ORSSerialPortManager::sharedSerialPortManager();
    setAvailableBaudRates({defaultBaudRate});
    NotificationCenter* center = NotificationCenter::defaultCenter();
    center->addObserver(this, ORSSerialPortsWereConnectedNotification, nullptr,
                        [this](const Notification& notification) { serialPortsWereConnected(notification); });
    center->addObserver(this, ORSSerialPortsWereDisconnectedNotification, nullptr,
                        [this](const Notification& notification) { serialPortsWereDisconnected(notification); });
}

void SVSettingViewController::initBind()
{
    bindPortList();
    bindBaudRateList();
    updateButtonWirelessEnabled();
    m_serialApi->setSerialPort(m_serialPort);
    loadSavedLanguage();
    bindRangeSliders();
    if (m_serialPort && m_serialPort->isOpen())
        boxCOM()->setEnabled(false);
    connect(switchLed(), &ITSwitch::checkedChanged, this, &SVSettingViewController::showLedState);
    showLedState(switchLed()->checked());
}

// The port list holds the manager's ports, in its order, entry by entry; choosing an entry chooses
// that port, and the entry of the chosen port is the selected one.
void SVSettingViewController::bindPortList()
{
    QComboBox* list = boxCOM();
    list->clear();
    for (const ORSSerialPort::Ptr& port : m_serialPortManager->availablePorts())
        list->addItem(port->name());
    connect(m_serialPortManager, &ORSSerialPortManager::portInserted, this, [this](int index) {
        const ORSSerialPort::Ptr port = m_serialPortManager->availablePorts().value(index);
        if (port)
            boxCOM()->insertItem(index, port->name());
        showChosenPortInList();
    });
    connect(m_serialPortManager, &ORSSerialPortManager::portRemoved, this, [this](int index) {
        boxCOM()->removeItem(index);
        showChosenPortInList();
    });
    connect(list, &QComboBox::activated, this,
            [this](int index) { setSerialPort(m_serialPortManager->availablePorts().value(index)); });
    showChosenPortInList();
}

void SVSettingViewController::showChosenPortInList()
{
    const int index = m_serialPort ? int(m_serialPortManager->availablePorts().indexOf(m_serialPort)) : -1;
    boxCOM()->setCurrentIndex(index);
}

// One entry, 115200; choosing it sets the chosen port's baud rate.
void SVSettingViewController::bindBaudRateList()
{
    QComboBox* list = boxBps();
    list->clear();
    for (int rate : availableBaudRates())
        list->addItem(QString::number(rate), rate);
    list->setCurrentIndex(0);
    connect(list, &QComboBox::activated, this, [this](int index) {
        if (m_serialPort)
            m_serialPort->setBaudRate(boxBps()->itemData(index).toInt());
    });
}

void SVSettingViewController::updateButtonWirelessEnabled()
{
    buttonWireless()->setEnabled(m_serialPort != nullptr);
}

void SVSettingViewController::showLedState(bool on)
{
    labelLED()->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
    imageLEDState()->setBackgroundColor(on ? ledOnColor() : ledOffColor());
}

// ---- The chosen port ----

void SVSettingViewController::setSerialPort(ORSSerialPort::Ptr port)
{
    if (port == m_serialPort)
        return;
    if (m_serialPort) {
        m_serialPort->close();
        m_serialPort->setDelegate(nullptr);
    }
    m_serialPort = std::move(port);
    if (m_serialPort)
        m_serialPort->setDelegate(this);
    m_failedOpen = nullptr;
    m_replies.clear();
    forgetBlockReads();
    m_serialApi->setSerialPort(m_serialPort);
    if (isViewLoaded()) {
        updateButtonWirelessEnabled();
        showChosenPortInList();
    }
}

void SVSettingViewController::openOrCloseSerialPort()
{
    if (!m_serialPort)
        return;
    if (m_serialPort->isOpen()) {
        // A playing sequence stops first, so that its servos are told to hold while the port is open.
        afterMotionStops([port = m_serialPort] { port->close(); });
        return;
    }
    m_serialPort->open();
    // The open either holds the device now or has failed; its error callback says why.
    m_failedOpen = m_serialPort->isOpen() ? nullptr : m_serialPort.get();
}

void SVSettingViewController::showPortClosed()
{
    buttonWireless()->setTitle(localized(QStringLiteral("open_com")));
    imageWirelessState()->setImage(imageNamed(QStringLiteral("disconnect")));
}

// ---- Port callbacks ----

void SVSettingViewController::serialPortWasOpened(ORSSerialPort* port)
{
    buttonWireless()->setTitle(localized(QStringLiteral("close_com")));
    imageWirelessState()->setImage(imageNamed(QStringLiteral("connect")));
    if (boxCOM()->hasFocus())  // else the focus would jump on to a text field whose cursor then blinks
        buttonWireless()->setFocus(Qt::OtherFocusReason);
    boxCOM()->setEnabled(false);
    startBusWorker();
    setStateCheck();
    if (port)
        showLatencyHint(*port);
}

void SVSettingViewController::serialPortWasClosed(ORSSerialPort*)
{
    endBusWorker();
    showPortClosed();
    boxCOM()->setEnabled(true);
    boxBps()->setEnabled(true);
    m_replies.clear();
    forgetBlockReads();
    reSetDash();
}

// The controller lets go of a removed port at once and does not wait for its closed callback; the
// port list is enabled again so that another port can be chosen, and the gauges stop showing the
// values of a servo that is no longer there.
void SVSettingViewController::serialPortWasRemovedFromSystem(ORSSerialPort*)
{
    // The Motion page hears of it through its bus, and says so, before the bus goes.
    if (BusWorker* worker = m_busWorker.get()) {
        worker->deliverRemoval();
        if (worker->hasOpenJobs())
            connect(worker, &BusWorker::hasOpenJobsChanged, this, [this, worker](bool open) {
                if (!open && m_busWorker.get() == worker)
                    QTimer::singleShot(0, this, [this, worker] {
                        if (m_busWorker.get() == worker)
                            endBusWorker();
                    });
            });
        else
            endBusWorker();
    }
    setSerialPort(nullptr);
    showPortClosed();
    boxCOM()->setEnabled(true);
    reSetDash();
}

void SVSettingViewController::serialPortDidEncounterError(ORSSerialPort* port, const ORSSerialPortError& error)
{
    // A pseudo-terminal (the demo's virtual servos) has no modem lines to read: nothing worth a line.
    if (!(port->isOpen() && ORSSerialLine::hasNoModemLines(error.code)))
        qInfo("Serial port %s encountered an error: %s (%s %d, %s)", qPrintable(port->name()),
              qPrintable(error.localizedDescription), qPrintable(error.domain), error.code, qPrintable(error.filePath));
    if (m_busWorker && port == m_busWorker->port())
        m_busWorker->deliverError(error);
    if (port == m_failedOpen) {
        m_failedOpen = nullptr;
        showOpenFailure(error);
    }
}

// A refused open leaves the panel as it was; the tip says what the user can do about it.
void SVSettingViewController::showOpenFailure(const ORSSerialPortError& error)
{
    switch (error.code) {
    case EACCES:
    case EPERM:
        SVTools::showTipWithMessage(localized(QStringLiteral("open_permission_denied")));
        break;
    case EBUSY:
    case EWOULDBLOCK:
        SVTools::showTipWithMessage(localized(QStringLiteral("open_port_busy")));
        break;
    default:
        SVTools::showTipWithMessage(
            localized(QStringLiteral("open_failed")).replace(QStringLiteral("%@"), error.localizedDescription));
        break;
    }
}

// Read once the port is open: the open asks the driver for low latency, which some drivers honour by
// reporting a timer of 1 ms while the port is open.
void SVSettingViewController::showLatencyHint(const ORSSerialPort& port)
{
    const std::optional<int> timer = AdapterLatency::timerMs(port.path());
    if (!timer || *timer <= AdapterLatency::fastestMs || m_latencyHintShown.contains(port.path()))
        return;
    m_latencyHintShown.insert(port.path());
    SVTools::showTipWithMessage(BundleLanguage::withValues(localized(QStringLiteral("latency_timer_slow")),
                                           {port.name(), QString::number(*timer), AdapterLatency::oneOffCommand(port.path()),
                                            QLatin1String(AdapterLatency::ruleFile), QLatin1String(AdapterLatency::ruleLine)}));
}

// ---- Arrivals and removals ----

namespace {

QString portNames(const ORSSerialPortList& ports)
{
    QStringList names;
    for (const ORSSerialPort::Ptr& port : ports)
        names.append(port->name());
    return QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace

void SVSettingViewController::serialPortsWereConnected(const Notification& notification)
{
    const ORSSerialPortList ports = serialPortsFromUserInfo(notification.userInfo, ORSConnectedSerialPortsKey);
    qInfo("Ports were connected: %s", qPrintable(portNames(ports)));
    postUserNotificationForConnectedPorts(ports);
    if (ports.isEmpty())
        return;
    if (boxCOM()->currentText() == ports.first()->name()) {
        boxBps()->setEnabled(true);
        buttonWireless()->setEnabled(true);
    } else if (m_serialPort && m_serialPort->isOpen()) {
        boxCOM()->setEnabled(false);
    }
}

// The list has already dropped the removed ports (its content follows the manager entry by entry),
// so the chosen port is gone when it is among them: then the selection is cleared and the list is
// enabled for another choice.
void SVSettingViewController::serialPortsWereDisconnected(const Notification& notification)
{
    const ORSSerialPortList ports = serialPortsFromUserInfo(notification.userInfo, ORSDisconnectedSerialPortsKey);
    qInfo("Ports were disconnected: %s", qPrintable(portNames(ports)));
    postUserNotificationForDisconnectedPorts(ports);
    if (!ports.isEmpty()) {
        const bool chosenPortRemoved = !m_serialPort || ports.contains(m_serialPort);
        if (chosenPortRemoved) {
            boxCOM()->setCurrentIndex(-1);
            boxCOM()->setEnabled(true);
            boxBps()->setEnabled(true);
            buttonWireless()->setEnabled(false);
        } else if (m_serialPort->isOpen()) {
            boxCOM()->setEnabled(false);
        }
    }
    reSetDash();
}

// ---- Desktop notifications ----

UserNotifier* SVSettingViewController::userNotifier()
{
    if (!m_userNotifier) {
        m_desktopNotifier = std::make_unique<DesktopNotifier>();
        m_userNotifier = m_desktopNotifier.get();
    }
    return m_userNotifier;
}

void SVSettingViewController::setUserNotifier(UserNotifier* notifier)
{
    m_userNotifier = notifier;
}

void SVSettingViewController::postUserNotificationForConnectedPorts(const ORSSerialPortList& ports)
{
    postUserNotifications(ports, QStringLiteral("Serial Port Connected"), QStringLiteral("was connected to your Mac."));
}

void SVSettingViewController::postUserNotificationForDisconnectedPorts(const ORSSerialPortList& ports)
{
    postUserNotifications(ports, QStringLiteral("Serial Port Disconnected"),
                          QStringLiteral("was disconnected from your Mac."));
}

// The body's key is built from the texts of "Serial Port", "%@" and the event phrase in the language in
// force; that key is looked up in turn and its "%@" replaced by the port's name.
void SVSettingViewController::postUserNotifications(const ORSSerialPortList& ports, const QString& titleKey,
                                                    const QString& phraseKey)
{
    const QString title = localized(titleKey);
    const QString bodyKey = QStringLiteral("%1 %2 %3")
                                .arg(localized(QStringLiteral("Serial Port")), QStringLiteral("%@"), localized(phraseKey));
    const QString bodyFormat = localized(bodyKey);
    for (const ORSSerialPort::Ptr& port : ports) {
        QString body = bodyFormat;
        if (const qsizetype at = body.indexOf(QStringLiteral("%@")); at >= 0)
            body.replace(at, 2, port->name());
        userNotifier()->deliverNotification(title, body);
    }
}

// ---- State poll ----

// The loop holds the port it watches until a pass finds it closed.
void SVSettingViewController::setStateCheck()
{
    if (!m_statePoll)
        m_statePoll = std::make_unique<SVStatePoll>([this] { sendStateReads(); }, m_statePollInterval);
    m_stateReadsQueued->store(false);  // a port opened again polls at once, whatever the last one left queued
    m_statePoll->start([port = m_serialPort] { return port && port->isOpen(); });
}

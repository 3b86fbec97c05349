#include "support/ui/ControllerHarness.h"

#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVButton.h"
#include "support/core/EventLoopWait.h"

#include <QComboBox>
#include <QLabel>
#include <QWidget>

RecordingTipPresenter::RecordingTipPresenter()
    : m_previous(SVTipPresenter::install(this))
{
}

RecordingTipPresenter::~RecordingTipPresenter()
{
    SVTipPresenter::install(m_previous == this ? nullptr : m_previous);
}

void RecordingTipPresenter::present(ModeWindow& window)
{
    messages.append(window.message()->text());
    if (whilePresented)
        whilePresented();
}

ControllerHarness::ControllerHarness(bool listServo, const QList<int>& servoIds)
    : m_servo(VirtualServo::servosWithIds(servoIds))
{
    QList<ORSSerialDevice> devices;
    if (listServo)
        devices.append(servoDevice());
    auto source = std::make_unique<FakeDeviceSource>(devices);
    m_source = source.get();
    m_manager = std::make_unique<ORSSerialPortManager>(std::move(source));
    m_controller = std::make_unique<SVSettingViewController>();
    m_controller->setSerialPortManager(m_manager.get());
    m_controller->setUserNotifier(&m_notifier);
    m_controller->view()->resize(860, 690);
    m_controller->view()->show();
}

ControllerHarness::~ControllerHarness()
{
    if (auto port = m_controller->serialPort(); port && port->isOpen()) {
        port->close();
        waitForCondition([&] { return !port->isOpen(); });
    }
    m_controller.reset();
    m_manager.reset();
}

ORSSerialDevice ControllerHarness::servoDevice() const
{
    return {QStringLiteral("/sys/devices/virtual/tty/") + servoPortName, m_servo.slavePath(), servoPortName};
}

bool ControllerHarness::choosePort(const QString& name)
{
    QComboBox* list = m_controller->boxCOM();
    const int index = list->findText(name);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    emit list->activated(index);
    return true;
}

bool ControllerHarness::openPort()
{
    const ORSSerialPort::Ptr port = m_controller->serialPort();
    if (!port)
        return false;
    press(SVSettingViewController::TagButtonWireless);
    // The port list is disabled by the opened callback (the button's title already follows the port).
    return waitForCondition([&] { return port->isOpen() && !m_controller->boxCOM()->isEnabled(); });
}

bool ControllerHarness::closePort()
{
    const ORSSerialPort::Ptr port = m_controller->serialPort();
    if (!port)
        return false;
    press(SVSettingViewController::TagButtonWireless);
    // The port list is enabled again by the closed callback.
    return waitForCondition([&] { return !port->isOpen() && m_controller->boxCOM()->isEnabled(); });
}

void ControllerHarness::press(int tag)
{
    QWidget* control = m_controller->viewWithTag(tag);
    if (!control)
        control = tag == SVSettingViewController::TagButtonWireless ? m_controller->buttonWireless() : nullptr;
    m_controller->buttonClick(control);
}

QList<QByteArray> ControllerHarness::receivedFrames() const
{
    QList<QByteArray> frames;
    for (const VirtualServo::Chunk& chunk : m_servo.receivedFrames())
        frames.append(chunk.bytes);
    return frames;
}

QList<QByteArray> ControllerHarness::receivedFramesWithCommand(int command) const
{
    QList<QByteArray> frames;
    for (const QByteArray& frame : receivedFrames()) {
        if (commandOf(frame) == command)
            frames.append(frame);
    }
    return frames;
}

bool ControllerHarness::waitForFrames(int command, int count, int timeoutMs) const
{
    return waitForCondition([&] { return receivedFramesWithCommand(command).size() >= count; }, timeoutMs);
}

bool ControllerHarness::waitForEncoderIdle()
{
    return m_controller->serialApi().queue().waitUntilIdle(std::chrono::seconds(5));
}

// The main window controller with its window, offscreen, talking over a pseudo-terminal to a virtual
// servo: the port is listed by a fake device source, tips are recorded instead of shown, desktop
// notifications are recorded, and the settings live in memory. Tests drive it through the calls a
// click makes.
#pragma once

#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UserNotifier.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/SVTipPresenter.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/FakeDeviceSource.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QStringList>

#include <functional>

#include <memory>

class RecordingTipPresenter : public SVTipPresenter {
public:
    RecordingTipPresenter();
    ~RecordingTipPresenter() override;
    void present(ModeWindow& window) override;
    QStringList messages;
    // Runs while a tip is shown, as the events of a modal box's loop do.
    std::function<void()> whilePresented;

private:
    SVTipPresenter* m_previous;
};

class RecordingNotifier : public UserNotifier {
public:
    struct Delivery {
        QString title;
        QString body;
    };
    void deliverNotification(const QString& title, const QString& body) override { deliveries.append({title, body}); }
    QList<Delivery> deliveries;
};

class ControllerHarness {
public:
    // The servo is listed (as "ttyVS0") when listServo is true; otherwise the list starts empty.
    // With several IDs it is a bus of that many servos, each of which takes broadcast frames.
    explicit ControllerHarness(bool listServo = true, const QList<int>& servoIds = {1});
    ~ControllerHarness();

    SVSettingViewController& controller() { return *m_controller; }
    VirtualServo& servo() { return m_servo; }
    FakeDeviceSource& deviceSource() { return *m_source; }
    ORSSerialPortManager& manager() { return *m_manager; }
    RecordingTipPresenter& tips() { return m_tips; }
    RecordingNotifier& notifier() { return m_notifier; }

    static inline const QString servoPortName = QStringLiteral("ttyVS0");
    ORSSerialDevice servoDevice() const;

    // Picks the entry of the port list with this name, as the user does. False when there is none.
    bool choosePort(const QString& name = servoPortName);
    // Presses the open/close button and waits for the port's callback.
    bool openPort();
    bool closePort();
    // Presses the control with this tag.
    void press(int tag);

    // The frames the servo received since the last clear, with their command code.
    QList<QByteArray> receivedFrames() const;
    QList<QByteArray> receivedFramesWithCommand(int command) const;
    // Waits until the servo has received count frames with this command, at most timeoutMs.
    bool waitForFrames(int command, int count, int timeoutMs = 5000) const;
    // Waits until every frame the encoder was handed has been written.
    bool waitForEncoderIdle();

    static QString localized(const QString& key) { return SVSettingViewController::localized(key); }

private:
    ScopedSettingsStore m_settings;
    RecordingTipPresenter m_tips;
    RecordingNotifier m_notifier;
    VirtualServo m_servo;
    FakeDeviceSource* m_source = nullptr;  // owned by the manager
    std::unique_ptr<ORSSerialPortManager> m_manager;
    std::unique_ptr<SVSettingViewController> m_controller;
};

// The command code of a frame.
inline int commandOf(const QByteArray& frame)
{
    return frame.size() > 4 ? quint8(frame.at(4)) : -1;
}
// The parameter bytes of a frame (between command and checksum).
inline QByteArray parametersOf(const QByteArray& frame)
{
    return frame.size() > 6 ? frame.mid(5, frame.size() - 6) : QByteArray();
}

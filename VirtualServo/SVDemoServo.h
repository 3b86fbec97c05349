// Demo mode: a virtual servo (or a bus of several) running in the process on a pseudo-terminal, listed
// among the serial ports under its own name, so that every function of the tool can be tried without
// an adapter or a servo. Temperatures and voltages drift a little; positions follow moves. The window
// offers two: "virtual-servo", one servo alone as on the bench, for the pages that address the servo
// on the line; and "virtual-bus", a robot's bus of several, for the Motion page.
#pragma once

#include "Api/Source/DeviceSource.h"
#include "VirtualServo/VirtualServo.h"

#include <QStringList>

#include <memory>

class SVDemoServo {
public:
    static inline const QString portName = QStringLiteral("virtual-servo");
    static inline const QString busPortName = QStringLiteral("virtual-bus");

    // The window's demo bus: servos 1, 2 and 7.
    static inline const QList<int> windowServoIds{1, 2, 7};
    // Servos 1 to count, or the window's demo bus for 0.
    static QList<int> busServoIds(int count);

    // One servo with ID 1, or a bus of one servo per ID, listed under name.
    explicit SVDemoServo(const QList<int>& servoIds = {1}, const QString& name = portName);
    ~SVDemoServo();
    SVDemoServo(const SVDemoServo&) = delete;
    SVDemoServo& operator=(const SVDemoServo&) = delete;

    // The ways a demo bus misbehaves on request, as servoctl's --demo-fault and the Python module's
    // Bus.demo(faults=...) name them: "shared-id" puts a second servo on the bus's second ID (the
    // first's, with one servo), "lossy" loses one reply in lossEvery.
    static inline const QStringList faultNames{QStringLiteral("shared-id"), QStringLiteral("lossy")};
    static constexpr int lossEvery = 20;
    // False for a name not among faultNames.
    bool addFault(const QString& name);

    bool isValid() const { return m_servo->isValid(); }
    QString errorString() const { return m_servo->errorString(); }
    VirtualServo& servo() { return *m_servo; }
    // The servo's port as a device: the pseudo-terminal's node under the demo port name.
    ORSSerialDevice device() const;

    // A device source that lists this servo's port first, then every device of inner, and passes on
    // inner's arrivals and removals.
    std::unique_ptr<DeviceSource> deviceSourceWrapping(std::unique_ptr<DeviceSource> inner) const;
    // Makes the shared port manager, on its first use, list this servo's port before the devices of
    // the system. The servo must outlive the manager's use of the port.
    void installInSharedPortManager() const;
    // The same for several demo ports, listed in this order.
    static void installInSharedPortManager(const QList<ORSSerialDevice>& devices);

private:
    std::unique_ptr<VirtualServo> m_servo;
    QString m_name;
};

#include "VirtualServo/DemoServoBox.h"

#include <QtGlobal>

DemoServoBox::DemoServoBox(VirtualServo& bus, int count)
    : m_bus(bus)
    , m_left(count)
{
    while (m_bus.servoCount() > 0)
        m_bus.disconnectServo(m_bus.servoCount() - 1);
}

void DemoServoBox::setPairAtFromEnvironment()
{
    bool number = false;
    const int call = qEnvironmentVariableIntValue("SERVODESK_DEMO_NEW_PAIR_AT", &number);
    if (number && call > 0)
        m_pairAt = call;
}

bool DemoServoBox::connectNext()
{
    if (m_left <= 0)
        return false;
    ++m_calls;
    connectOne();
    if (m_calls == m_pairAt && m_left > 0)
        connectOne();
    return true;
}

void DemoServoBox::connectOne()
{
    --m_left;
    ++m_connected;
    m_bus.connectServo(VirtualServo::Settings{}, 300 + (m_connected * 137) % 400, 28 + m_connected % 5);
}

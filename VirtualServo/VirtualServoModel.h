// What one servo on the bus stores and measures, and how it acts on and answers each command
// frame. No I/O: VirtualServo feeds it whole frames and writes its replies.
#pragma once

#include "Api/Bus/Protocol.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>

class VirtualServoModel {
public:
    using Clock = std::chrono::steady_clock;

    // The stored parameters, with the defaults a servo leaves the factory with.
    struct Settings {
        int id = SVProtocol::FactoryDefaults::id;
        int deviation = SVProtocol::FactoryDefaults::deviation;  // -125..125
        bool deviationSaved = false;
        int angleMin = SVProtocol::FactoryDefaults::angleMin;
        int angleMax = SVProtocol::FactoryDefaults::angleMax;
        int voltageMinMillivolts = SVProtocol::FactoryDefaults::voltageMinMillivolts;
        int voltageMaxMillivolts = SVProtocol::FactoryDefaults::voltageMaxMillivolts;
        int maxTemperature = SVProtocol::FactoryDefaults::maxTemperature;  // degrees Celsius
        bool ledOn = SVProtocol::FactoryDefaults::ledOn;
        int alarmBits = SVProtocol::FactoryDefaults::alarmBits;  // as SVProtocol::alarmByte
        int mode = 0;               // 0 servo mode, 1 motor mode
        int speed = 0;              // -1000..1000
        bool motorLoaded = false;   // load byte 0 = loaded, 1 = unloaded
        bool operator==(const Settings&) const = default;
    };

    explicit VirtualServoModel(Clock::time_point now = Clock::now());

    // Acts on a whole, checked frame. Returns the reply frame (checksum included) when the frame
    // is a read addressed to this servo, else an empty array. Frames for other IDs, unknown
    // commands and frames of the wrong length for their command change nothing.
    QByteArray handleFrame(const QByteArray& frame, Clock::time_point now);

    const Settings& settings() const { return m_settings; }
    void setSettings(const Settings& settings) { m_settings = settings; }

    // Live values.
    int temperature(Clock::time_point now) const;        // degrees Celsius
    int voltageMillivolts(Clock::time_point now) const;
    int position(Clock::time_point now) const;            // on the way to the last target
    int targetPosition() const { return m_target; }
    void setTemperature(int celsius) { m_temperature = celsius; }
    void setVoltageMillivolts(int millivolts) { m_voltage = millivolts; }
    void setPosition(int position, Clock::time_point now);
    // Gentle slow drift of temperature (about +-2 degrees) and voltage (about +-50 mV).
    void setDrift(bool drift) { m_drift = drift; }

    // A reply frame: header, this servo's ID, length, command, parameters and checksum.
    static QByteArray replyFrame(int id, uint8_t command, const QByteArray& parameters);

private:
    bool isAddressedToMe(uint8_t id, uint8_t command) const;
    QByteArray answerRead(uint8_t command, Clock::time_point now) const;
    void applyWrite(uint8_t command, const uint8_t* parameters, Clock::time_point now);
    double driftPhase(Clock::time_point now, double periodSeconds) const;

    Settings m_settings;
    int m_temperature = 30;
    int m_voltage = 7400;
    bool m_drift = false;
    Clock::time_point m_origin;
    // The current move: from m_moveFrom at m_moveStart to m_target over m_moveTime.
    int m_moveFrom = 500;
    int m_target = 500;
    std::chrono::milliseconds m_moveTime{0};
    Clock::time_point m_moveStart;
};

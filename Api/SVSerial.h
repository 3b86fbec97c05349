// The command encoder: builds servo command frames and writes them, in call order, to the serial
// port from its own serial queue. It keeps no protocol state and never waits for replies. The queue
// is the bus's thread, the one that writes to the port: the window's bus runs its jobs there too, so
// that no frame of the encoder ever lands between one of their requests and its reply. The replies
// come back through the bus's one reader (ReplyRouter), which hands those nobody awaits to the
// window's controller.
#pragma once

#include "Api/SerialQueue.h"
#include "Api/Source/ORSSerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class SVSerial {
public:
    // Pause after each logged frame, which paces the queued path.
    static constexpr std::chrono::milliseconds queuedFramePause{30};

    SVSerial();
    ~SVSerial();
    SVSerial(const SVSerial&) = delete;
    SVSerial& operator=(const SVSerial&) = delete;

    // The port frames are written to. May be replaced from the main thread while frames are
    // queued: each frame is written to the port set at the moment it leaves the queue.
    ORSSerialPort::Ptr serialPort() const;
    void setSerialPort(ORSSerialPort::Ptr port);

    // The serial queue every frame is written from, created on first use.
    SerialQueue& queue();

    // Command builders. Texts are read with their integer value (voltages: float value); values
    // go out as their low 8 or 16 bits.
    void sendOneSteering(int servoId, int angle, int time);
    void sendWriteId(const QString& newId);
    void sendReadId();
    void sendWriteDeviationId(const QString& servoId, const QString& angel);
    void sendWriteSaveDeviationWithId(const QString& servoId);
    void sendReadDeviationWithId(int servoId);
    void sendWriteAngle(const QString& servoId, const QString& minAngle, const QString& maxAngle);
    void sendReadAngleLimit(const QString& servoId);
    void sendWriteVoltage(const QString& servoId, const QString& minAngle, const QString& maxAngle);
    void sendReadVoltageLimit(const QString& servoId);
    void sendWriteMaxTemp(const QString& servoId, const QString& state);
    void sendReadTempLimit(const QString& servoId);
    void sendReadTemp(int servoId);
    void sendReadVoltage(int servoId);
    void sendReadPostion(int servoId);
    void sendSpeed(const QString& servoId, const QString& speed, int tip);
    void sendMotorLoadOrUload(int servoId, bool load);
    void sendReadMotorLoadOrUload(const QString& servoId);
    void sendWriteLed(const QString& servoId, bool on);
    void sendLedRead(const QString& servoId);
    void sendWriteLedError(const QString& servoId, const QString& state);
    void sendLedErrorRead(const QString& servoId);

    // The block read of a servo's configuration: angle limits, voltage limits, maximum
    // temperature, LED, LED alarm bits and deviation, each on the queued path, in this order.
    void sendReadServoInfoWithId(const QString& servoId);

    // Queued path: checksum appended, frame logged, written, then a pause of queuedFramePause
    // (only while the port is open). delayTime is not read; the pause is fixed.
    void sendByte(const uint8_t* bytes, int length);
    void sendData(const QByteArray& data, double delayTime);
    // Immediate path: checksum appended and written, without log or pause.
    void sendDataNotDelay(const QByteArray& data, double delayTime);

    // What became of a group of frames: how many were queued and how many reached an open port.
    struct WriteReport {
        int queued = 0;
        int written = 0;
        bool complete() const { return written == queued; }
    };
    // Frames queued from the calling thread between beginWriteGroup() and endWriteGroup() form one
    // group. Once one of them cannot be written (the port is closed or the write fails), the rest of
    // the group is not sent. done gets the report on context's thread after the group's last frame
    // has left the queue; it is not called when context is gone by then.
    void beginWriteGroup();
    void endWriteGroup(QObject* context, std::function<void(WriteReport)> done);

    // The two speed bytes (low, high) that a speed text stands for.
    struct SpeedBytes {
        uint8_t low;
        uint8_t high;
    };
    static SpeedBytes speedBytesFromText(const QString& speed);

private:
    // Queue side of a write group: queued is counted by the thread that queues, the rest by the queue.
    struct WriteGroup {
        int queued = 0;
        int written = 0;
        bool broken = false;
    };

    void enqueueFrame(const QByteArray& frame, bool logAndPause);

    mutable std::mutex m_portMutex;
    ORSSerialPort::Ptr m_serialPort;
    std::shared_ptr<WriteGroup> m_openGroup;  // touched only by the thread that queues
    std::once_flag m_queueCreated;
    std::unique_ptr<SerialQueue> m_queue;  // last member: joined before the rest is destroyed
};

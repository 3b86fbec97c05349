// One serial device and its connection: exclusive open, raw line settings, background reading,
// blocking writes, modem-line polling and removal detection. Callbacks reach the delegate on the
// main thread.
#pragma once

#include "Api/Source/ORSSerialDevice.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class ORSSerialPort;

// An operating-system error of the serial transport, handed to the delegate.
struct ORSSerialPortError {
    QString domain = QStringLiteral("NSPOSIXErrorDomain");
    int code = 0;                  // errno at the time of reporting
    QString localizedDescription;  // the system's message for code
    QString filePath;              // the port's path

    static ORSSerialPortError fromErrno(int code, const QString& path);
};

// Receiver of a port's callbacks, always called on the main thread. The port holds its delegate
// weakly: once a delegate is destroyed it is never called again. Every callback but the removal one
// is optional; the defaults do nothing.
class ORSSerialPortDelegate {
public:
    ORSSerialPortDelegate();
    virtual ~ORSSerialPortDelegate();
    ORSSerialPortDelegate(const ORSSerialPortDelegate&) = delete;
    ORSSerialPortDelegate& operator=(const ORSSerialPortDelegate&) = delete;

    virtual void serialPortWasRemovedFromSystem(ORSSerialPort* port) = 0;
    virtual void serialPortDidReceiveData(ORSSerialPort* port, const QByteArray& data);
    // The same bytes with the time the port read them from the device (the first read, when several
    // reads waited for the main thread together), which may be well before the main thread gets to
    // them. The port calls this one; by default it passes the bytes on to
    // serialPortDidReceiveData. A delegate that times the line (a frame reader dropping partial frames
    // after a silence) overrides this one, so that a busy main thread is not taken for a silent line.
    virtual void serialPortDidReceiveDataReadAt(ORSSerialPort* port, const QByteArray& data,
                                                std::chrono::steady_clock::time_point readTime);
    virtual void serialPortDidEncounterError(ORSSerialPort* port, const ORSSerialPortError& error);
    virtual void serialPortWasOpened(ORSSerialPort* port);
    virtual void serialPortWasClosed(ORSSerialPort* port);

    // Expires when the delegate is destroyed; the port checks it before every call.
    std::weak_ptr<const void> lifetime() const { return m_lifetime; }

private:
    std::shared_ptr<const void> m_lifetime;
};

// Takes every read of a port on the port's reader thread, in place of the delegate's data callback:
// the window's bus reads its line this way, with no stop on the main thread.
class ORSSerialPortReceiver {
public:
    virtual ~ORSSerialPortReceiver() = default;
    virtual void receive(QByteArrayView data, std::chrono::steady_clock::time_point readTime) = 0;
};

class ORSSerialPort : public QObject, public std::enable_shared_from_this<ORSSerialPort> {
    Q_OBJECT
    Q_PROPERTY(QString path READ path CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(int baudRate READ baudRate WRITE setBaudRate NOTIFY baudRateChanged)
    Q_PROPERTY(uint numberOfStopBits READ numberOfStopBits WRITE setNumberOfStopBits NOTIFY numberOfStopBitsChanged)
    Q_PROPERTY(uint numberOfDataBits READ numberOfDataBits WRITE setNumberOfDataBits NOTIFY numberOfDataBitsChanged)
    Q_PROPERTY(uint parity READ parity WRITE setParity NOTIFY parityChanged)
    Q_PROPERTY(bool shouldEchoReceivedData READ shouldEchoReceivedData WRITE setShouldEchoReceivedData NOTIFY shouldEchoReceivedDataChanged)
    Q_PROPERTY(bool usesRTSCTSFlowControl READ usesRTSCTSFlowControl WRITE setUsesRTSCTSFlowControl NOTIFY usesRTSCTSFlowControlChanged)
    Q_PROPERTY(bool usesDTRDSRFlowControl READ usesDTRDSRFlowControl WRITE setUsesDTRDSRFlowControl NOTIFY usesDTRDSRFlowControlChanged)
    Q_PROPERTY(bool usesDCDOutputFlowControl READ usesDCDOutputFlowControl WRITE setUsesDCDOutputFlowControl NOTIFY usesDCDOutputFlowControlChanged)
    Q_PROPERTY(bool RTS READ RTS WRITE setRTS NOTIFY RTSChanged)
    Q_PROPERTY(bool DTR READ DTR WRITE setDTR NOTIFY DTRChanged)
    Q_PROPERTY(bool CTS READ CTS NOTIFY CTSChanged)
    Q_PROPERTY(bool DSR READ DSR NOTIFY DSRChanged)
    Q_PROPERTY(bool DCD READ DCD NOTIFY DCDChanged)
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY isOpenChanged)
    Q_PROPERTY(int fileDescriptor READ fileDescriptor NOTIFY isOpenChanged)

public:
    using Ptr = std::shared_ptr<ORSSerialPort>;

    // The live port of an equal device, or a new one (added to the registry of live ports).
    static Ptr serialPortWithDevice(const ORSSerialDevice& device);
    // A port for a device node given by path (a pseudo-terminal, a link, an adapter named on the
    // command line): the live port with an equal path if there is one, else a new one.
    static Ptr serialPortWithPath(const QString& path);
    // The first live port whose path is equal, or none.
    static Ptr livePortWithPath(const QString& path);
    // Every live port object of the process.
    static QList<Ptr> allSerialPorts();
    // For benchmarks and tests: keeps the 10 ms modem-line poll of later openings running on a device
    // whose modem lines cannot be read (a pseudo-terminal), as it runs on an adapter. The error is
    // still reported once per opening.
    static void setPinPollForced(bool forced);

    ~ORSSerialPort() override;

    const ORSSerialDevice& device() const;
    QString path() const;
    QString name() const;
    QString description() const { return name(); }
    bool operator==(const ORSSerialPort& other) const { return path() == other.path(); }

    ORSSerialPortDelegate* delegate() const;
    void setDelegate(ORSSerialPortDelegate* delegate);

    int baudRate() const;
    void setBaudRate(int baudRate);
    uint numberOfStopBits() const;
    void setNumberOfStopBits(uint count);
    uint numberOfDataBits() const;
    void setNumberOfDataBits(uint count);
    uint parity() const;
    void setParity(uint parity);
    bool shouldEchoReceivedData() const;
    void setShouldEchoReceivedData(bool echo);
    bool usesRTSCTSFlowControl() const;
    void setUsesRTSCTSFlowControl(bool on);
    bool usesDTRDSRFlowControl() const;
    void setUsesDTRDSRFlowControl(bool on);
    bool usesDCDOutputFlowControl() const;
    void setUsesDCDOutputFlowControl(bool on);
    bool RTS() const;
    void setRTS(bool level);
    bool DTR() const;
    void setDTR(bool level);
    bool CTS() const;
    bool DSR() const;
    bool DCD() const;

    bool isOpen() const;
    int fileDescriptor() const;

    // Opens the device; success and failure are told to the delegate.
    void open();
    // Input waiting for the main thread is held up to this many bytes; past it the oldest bytes are
    // dropped. That is 1.4 s of a 115200 bit/s line: only a main thread stalled that long, or a line
    // faster than a servo bus, ever loses bytes, and one delivery is small enough to decode at once.
    static constexpr qsizetype pendingInputLimit = 16 * 1024;
    // How many input bytes were dropped so far because the main thread did not take them in time.
    qint64 droppedInputByteCount() const;

    // The one receiver of every read, or none (then the delegate gets them on the main thread).
    // Setting it waits until a call of the receiver it replaces has returned; removeReceiver(receiver)
    // clears it only while receiver is the one set.
    void setReceiver(ORSSerialPortReceiver* receiver);
    void removeReceiver(ORSSerialPortReceiver* receiver);


    // Starts closing in the background; always returns true.
    bool close();
    // Blocking write of every byte, from any thread. False when closed or a write failed.
    bool sendData(const QByteArray& data);
    // Tells the delegate the device is gone, then closes.
    void cleanupAfterSystemRemoval();

signals:
    void baudRateChanged(int baudRate);
    void numberOfStopBitsChanged(uint count);
    void numberOfDataBitsChanged(uint count);
    void parityChanged(uint parity);
    void shouldEchoReceivedDataChanged(bool echo);
    void usesRTSCTSFlowControlChanged(bool on);
    void usesDTRDSRFlowControlChanged(bool on);
    void usesDCDOutputFlowControlChanged(bool on);
    void RTSChanged(bool level);
    void DTRChanged(bool level);
    void CTSChanged(bool level);
    void DSRChanged(bool level);
    void DCDChanged(bool level);
    void isOpenChanged(bool open);

private:
    explicit ORSSerialPort(const ORSSerialDevice& device);
    struct Private;
    std::unique_ptr<Private> d;
};

// Internal state of ORSSerialPort, shared by its source files. Not part of the port's interface.
#pragma once

#include "Api/Source/ORSMainThreadGate.h"
#include "Api/Source/ORSSerialLine.h"
#include "Api/Source/ORSSerialPort.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <termios.h>

// One opening of the device: its descriptor, its two threads and what is restored at close.
// The reader thread waits in poll() on the descriptor and on an eventfd that close() writes; when it
// leaves its loop it runs the close step, which first stops and joins the pin-poll thread. The
// reader thread itself is joined by the next open() or by the port's destructor, which release the
// gate first so that a reader waiting for the main thread never blocks them.
struct ORSSerialConnection {
    ORSSerialConnection() = default;
    ~ORSSerialConnection();
    ORSSerialConnection(const ORSSerialConnection&) = delete;
    ORSSerialConnection& operator=(const ORSSerialConnection&) = delete;

    int descriptor = -1;
    int wakeDescriptor = -1;  // eventfd, closed with this object
    std::weak_ptr<ORSSerialPort> port;
    std::shared_ptr<ORSMainThreadGate> gate = std::make_shared<ORSMainThreadGate>();
    std::optional<termios> originalAttributes;
    std::optional<int> originalSerialFlags;  // set only when low latency was switched on here

    std::atomic<bool> closeRequested{false};
    std::atomic<bool> removalHandled{false};
    std::atomic<bool> modemLinesReported{false};
    bool pinPollForced = false;  // set before the threads start, then only read

    std::mutex pinPollMutex;
    std::condition_variable pinPollWake;
    bool stopPinPoll = false;

    std::thread pinPoll;
    std::thread reader;
};

struct ORSSerialPort::Private {
    using DelegateCall = std::function<void(ORSSerialPort*, ORSSerialPortDelegate*)>;

    Private(ORSSerialPort* q, const ORSSerialDevice& device) : q(q), device(device) {}

    ORSSerialPort* const q;
    const ORSSerialDevice device;
    std::weak_ptr<ORSSerialPort> self;  // set once by the factory, before the port is shared

    std::atomic<int> baudRate{115200};
    std::atomic<uint> numberOfStopBits{1};
    std::atomic<uint> numberOfDataBits{8};
    std::atomic<uint> parity{0};
    std::atomic<bool> shouldEchoReceivedData{false};
    std::atomic<bool> usesRTSCTSFlowControl{false};
    std::atomic<bool> usesDTRDSRFlowControl{false};
    std::atomic<bool> usesDCDOutputFlowControl{false};
    std::atomic<bool> RTS{false};
    std::atomic<bool> DTR{false};
    std::atomic<bool> CTS{false};
    std::atomic<bool> DSR{false};
    std::atomic<bool> DCD{false};
    std::atomic<int> fileDescriptor{0};
    static inline std::atomic<bool> pinPollForced{false};
    bool publishedOpen = false;  // last isOpen value told to observers; main thread only

    std::mutex openMutex;  // one open() at a time

    std::mutex mutex;  // guards the members below
    ORSSerialPortDelegate* delegate = nullptr;
    std::weak_ptr<const void> delegateLifetime;
    std::shared_ptr<ORSSerialConnection> connection;          // the opening that is open or closing
    std::vector<std::shared_ptr<ORSSerialConnection>> retired;  // closed, reader not joined yet
    std::shared_ptr<ORSMainThreadGate> gate = std::make_shared<ORSMainThreadGate>();

    // Users of the descriptor besides the port's own threads: writes, the options and modem steps.
    // The close step stops new uses and waits for the running ones before it closes the descriptor.
    std::mutex useMutex;
    std::condition_variable useEnded;
    int usableDescriptor = -1;
    int usesInFlight = 0;

    std::mutex receiverMutex;  // held while the receiver is called, so that it is never called once removed
    ORSSerialPortReceiver* receiver = nullptr;

    // Input read but not yet taken by the main thread: every read of the reader thread is appended,
    // and one wake-up at a time is queued to take all of it (ORSSerialPortConnection.cpp).
    std::mutex inputMutex;
    QByteArray pendingInput;
    std::chrono::steady_clock::time_point pendingInputReadTime;  // of the oldest read held
    bool inputWakeQueued = false;
    std::atomic<qint64> droppedInputBytes{0};
    void handOverInput(const char* bytes, qsizetype count);
    static void deliverPendingInput(const std::weak_ptr<ORSSerialPort>& port);

    // Delegate delivery (ORSSerialPort.cpp).
    static void callDelegate(const std::weak_ptr<ORSSerialPort>& port, const DelegateCall& call);
    void deliverLater(DelegateCall call) const;
    void deliverAndWait(ORSMainThreadGate& gate, DelegateCall call) const;
    void reportErrorLater(int errorCode) const;
    void reportErrorAndWait(ORSMainThreadGate& gate, int errorCode) const;
    void publishOpenState();
    void publishOpenStateSoon() const;
    ORSSerialLine::Settings lineSettings() const;

    // Opening, reading, polling and closing (ORSSerialPortConnection.cpp).
    std::shared_ptr<ORSSerialConnection> openDevice();
    void startConnection(const std::shared_ptr<ORSSerialConnection>& connection);
    void applyOptions();
    void updateModemLines(ORSSerialConnection* openingConnection);
    void readLoop(ORSSerialConnection* connection);
    void pinPollLoop(ORSSerialConnection* connection);
    bool sampleModemLines(ORSSerialConnection* connection);
    void publishInput(ORSSerialConnection* connection, std::atomic<bool> Private::*level, bool value,
                      void (ORSSerialPort::*changed)(bool));
    void handleRemovalOnce(ORSSerialConnection* connection);
    void runRemovalCleanup(ORSMainThreadGate& gate);
    void runCloseStep(ORSSerialConnection* connection);
    void finishClosing(ORSSerialConnection* connection);
    void requestClose(ORSSerialConnection& connection);
    void wakeReader(ORSSerialConnection& connection);
    void joinRetiredConnections();
    void shutDown();

    int beginDescriptorUse();
    void endDescriptorUse();

    // Holds the port's descriptor for one write or one control call; empty while closed or closing.
    class DescriptorUse {
    public:
        explicit DescriptorUse(Private& port) : m_port(port), m_descriptor(port.beginDescriptorUse()) {}
        ~DescriptorUse()
        {
            if (m_descriptor >= 0)
                m_port.endDescriptorUse();
        }
        DescriptorUse(const DescriptorUse&) = delete;
        DescriptorUse& operator=(const DescriptorUse&) = delete;

        explicit operator bool() const { return m_descriptor >= 0; }
        int descriptor() const { return m_descriptor; }

    private:
        Private& m_port;
        int m_descriptor;
    };
};

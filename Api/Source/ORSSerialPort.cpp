// ORSSerialPort: construction, the registry of live ports, properties, delegate delivery, writing,
// closing and destruction. Opening, the port's threads and the close step are in
// ORSSerialPortConnection.cpp.
#include "Api/Source/ORSSerialPort.h"
#include "Api/Source/ORSSerialPortPrivate.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

// ---- Error value and delegate ----

// strerror_r comes in two flavours (GNU returns the text, XSI fills the buffer); both are handled.
[[maybe_unused]] static const char* messageText(const char* returned, const char*) { return returned; }
[[maybe_unused]] static const char* messageText(int, const char* buffer) { return buffer; }

ORSSerialPortError ORSSerialPortError::fromErrno(int code, const QString& path)
{
    char buffer[256] = {};
    const char* text = messageText(strerror_r(code, buffer, sizeof buffer), buffer);
    ORSSerialPortError error;
    error.code = code;
    error.localizedDescription = QString::fromUtf8(text);
    error.filePath = path;
    return error;
}

ORSSerialPortDelegate::ORSSerialPortDelegate() : m_lifetime(std::make_shared<char>(0)) {}
ORSSerialPortDelegate::~ORSSerialPortDelegate() = default;
void ORSSerialPortDelegate::serialPortDidReceiveData(ORSSerialPort*, const QByteArray&) {}
void ORSSerialPortDelegate::serialPortDidReceiveDataReadAt(ORSSerialPort* port, const QByteArray& data,
                                                           std::chrono::steady_clock::time_point)
{
    serialPortDidReceiveData(port, data);
}
void ORSSerialPortDelegate::serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError&) {}
void ORSSerialPortDelegate::serialPortWasOpened(ORSSerialPort*) {}
void ORSSerialPortDelegate::serialPortWasClosed(ORSSerialPort*) {}

// ---- Registry of live ports ----

namespace {

struct RegistryEntry {
    const ORSSerialPort* port;
    std::weak_ptr<ORSSerialPort> weakPort;
    ORSSerialDevice device;
};

struct Registry {
    std::mutex mutex;
    std::vector<RegistryEntry> entries;  // in order of construction
};

// Never destroyed: ports may outlive static destruction.
Registry& registry()
{
    static auto* instance = new Registry;
    return *instance;
}

template <typename Matches>
ORSSerialPort::Ptr firstLivePort(const Matches& matches)
{
    for (const RegistryEntry& entry : registry().entries) {
        if (!matches(entry.device))
            continue;
        if (ORSSerialPort::Ptr port = entry.weakPort.lock())
            return port;
    }
    return nullptr;
}

} // namespace

ORSSerialPort::ORSSerialPort(const ORSSerialDevice& device) : d(std::make_unique<Private>(this, device)) {}

ORSSerialPort::Ptr ORSSerialPort::serialPortWithDevice(const ORSSerialDevice& device)
{
    Q_ASSERT_X(!device.path.isEmpty(), "serialPortWithDevice", "serialPortWithDevice requires non-zero device argument.");
    Registry& live = registry();
    std::lock_guard lock(live.mutex);
    Ptr port = firstLivePort([&](const ORSSerialDevice& known) {
        return known.path == device.path && known.identity == device.identity;
    });
    if (port)
        return port;
    port = Ptr(new ORSSerialPort(device));
    port->d->self = port;
    live.entries.push_back({port.get(), port, device});
    return port;
}

ORSSerialPort::Ptr ORSSerialPort::serialPortWithPath(const QString& path)
{
    if (Ptr port = livePortWithPath(path))
        return port;
    return serialPortWithDevice(ORSSerialDevice::fromPath(path));
}

ORSSerialPort::Ptr ORSSerialPort::livePortWithPath(const QString& path)
{
    std::lock_guard lock(registry().mutex);
    return firstLivePort([&](const ORSSerialDevice& known) { return known.path == path; });
}

QList<ORSSerialPort::Ptr> ORSSerialPort::allSerialPorts()
{
    QList<Ptr> ports;
    std::lock_guard lock(registry().mutex);
    for (const RegistryEntry& entry : registry().entries) {
        if (Ptr port = entry.weakPort.lock())
            ports.append(port);
    }
    return ports;
}

ORSSerialPort::~ORSSerialPort()
{
    {
        Registry& live = registry();
        std::lock_guard lock(live.mutex);
        std::erase_if(live.entries, [this](const RegistryEntry& entry) { return entry.port == this; });
    }
    d->shutDown();
}

// ---- Properties ----

const ORSSerialDevice& ORSSerialPort::device() const { return d->device; }
QString ORSSerialPort::path() const { return d->device.path; }
QString ORSSerialPort::name() const { return d->device.name; }

ORSSerialPortDelegate* ORSSerialPort::delegate() const
{
    std::lock_guard lock(d->mutex);
    return d->delegateLifetime.expired() ? nullptr : d->delegate;
}

void ORSSerialPort::setDelegate(ORSSerialPortDelegate* delegate)
{
    std::lock_guard lock(d->mutex);
    d->delegate = delegate;
    d->delegateLifetime = delegate ? delegate->lifetime() : std::weak_ptr<const void>();
}

void ORSSerialPort::setReceiver(ORSSerialPortReceiver* receiver)
{
    std::lock_guard lock(d->receiverMutex);
    d->receiver = receiver;
}

void ORSSerialPort::removeReceiver(ORSSerialPortReceiver* receiver)
{
    std::lock_guard lock(d->receiverMutex);
    if (d->receiver == receiver)
        d->receiver = nullptr;
}

int ORSSerialPort::baudRate() const { return d->baudRate; }
uint ORSSerialPort::numberOfStopBits() const { return d->numberOfStopBits; }
uint ORSSerialPort::numberOfDataBits() const { return d->numberOfDataBits; }
uint ORSSerialPort::parity() const { return d->parity; }
bool ORSSerialPort::shouldEchoReceivedData() const { return d->shouldEchoReceivedData; }
bool ORSSerialPort::usesRTSCTSFlowControl() const { return d->usesRTSCTSFlowControl; }
bool ORSSerialPort::usesDTRDSRFlowControl() const { return d->usesDTRDSRFlowControl; }
bool ORSSerialPort::usesDCDOutputFlowControl() const { return d->usesDCDOutputFlowControl; }
bool ORSSerialPort::RTS() const { return d->RTS; }
bool ORSSerialPort::DTR() const { return d->DTR; }
bool ORSSerialPort::CTS() const { return d->CTS; }
bool ORSSerialPort::DSR() const { return d->DSR; }
bool ORSSerialPort::DCD() const { return d->DCD; }
bool ORSSerialPort::isOpen() const { return d->fileDescriptor != 0; }
qint64 ORSSerialPort::droppedInputByteCount() const { return d->droppedInputBytes; }
int ORSSerialPort::fileDescriptor() const { return d->fileDescriptor; }

void ORSSerialPort::setBaudRate(int baudRate)
{
    if (d->baudRate.exchange(baudRate) == baudRate)
        return;
    d->applyOptions();
    emit baudRateChanged(baudRate);
}

void ORSSerialPort::setNumberOfStopBits(uint count)
{
    if (d->numberOfStopBits.exchange(count) == count)
        return;
    d->applyOptions();
    emit numberOfStopBitsChanged(count);
}

void ORSSerialPort::setNumberOfDataBits(uint count)
{
    if (d->numberOfDataBits.exchange(count) == count)
        return;
    d->applyOptions();
    emit numberOfDataBitsChanged(count);
}

void ORSSerialPort::setParity(uint parity)
{
    const uint stored = parity > 2 ? 0 : parity;
    if (d->parity.exchange(stored) == stored)
        return;
    d->applyOptions();
    emit parityChanged(stored);
}

void ORSSerialPort::setShouldEchoReceivedData(bool echo)
{
    if (d->shouldEchoReceivedData.exchange(echo) == echo)
        return;
    d->applyOptions();
    emit shouldEchoReceivedDataChanged(echo);
}

// Flow control takes effect with the next options step (open, or a setter that re-applies).
void ORSSerialPort::setUsesRTSCTSFlowControl(bool on)
{
    if (d->usesRTSCTSFlowControl.exchange(on) != on)
        emit usesRTSCTSFlowControlChanged(on);
}

// Linux termios has no DTR/DSR or DCD-output flow control: the values are kept but change nothing.
void ORSSerialPort::setUsesDTRDSRFlowControl(bool on)
{
    if (d->usesDTRDSRFlowControl.exchange(on) != on)
        emit usesDTRDSRFlowControlChanged(on);
}

void ORSSerialPort::setUsesDCDOutputFlowControl(bool on)
{
    if (d->usesDCDOutputFlowControl.exchange(on) != on)
        emit usesDCDOutputFlowControlChanged(on);
}

void ORSSerialPort::setRTS(bool level)
{
    if (d->RTS.exchange(level) == level)
        return;
    d->updateModemLines(nullptr);
    emit RTSChanged(level);
}

void ORSSerialPort::setDTR(bool level)
{
    if (d->DTR.exchange(level) == level)
        return;
    d->updateModemLines(nullptr);
    emit DTRChanged(level);
}

ORSSerialLine::Settings ORSSerialPort::Private::lineSettings() const
{
    ORSSerialLine::Settings settings;
    settings.baudRate = baudRate;
    settings.numberOfDataBits = numberOfDataBits;
    settings.numberOfStopBits = numberOfStopBits;
    settings.parity = parity;
    settings.shouldEchoReceivedData = shouldEchoReceivedData;
    settings.usesRTSCTSFlowControl = usesRTSCTSFlowControl;
    return settings;
}

// ---- Delegate delivery ----

// On the main thread: calls the delegate if both the port and the delegate still live. The port is
// held for the call, so a callback that drops the last reference does not destroy it mid-call.
void ORSSerialPort::Private::callDelegate(const std::weak_ptr<ORSSerialPort>& weakPort, const DelegateCall& call)
{
    const Ptr port = weakPort.lock();
    if (!port)
        return;
    ORSSerialPortDelegate* delegate = nullptr;
    std::shared_ptr<const void> alive;
    {
        std::lock_guard lock(port->d->mutex);
        alive = port->d->delegateLifetime.lock();
        delegate = port->d->delegate;
    }
    if (alive && delegate)
        call(port.get(), delegate);
}

void ORSSerialPort::Private::deliverLater(DelegateCall call) const
{
    ORSMainThreadGate::post([port = self, call = std::move(call)] { callDelegate(port, call); });
}

void ORSSerialPort::Private::deliverAndWait(ORSMainThreadGate& waitGate, DelegateCall call) const
{
    waitGate.runAndWait([port = self, call = std::move(call)] { callDelegate(port, call); });
}

void ORSSerialPort::Private::reportErrorLater(int errorCode) const
{
    const ORSSerialPortError error = ORSSerialPortError::fromErrno(errorCode, device.path);
    deliverLater([error](ORSSerialPort* port, ORSSerialPortDelegate* delegate) {
        delegate->serialPortDidEncounterError(port, error);
    });
}

void ORSSerialPort::Private::reportErrorAndWait(ORSMainThreadGate& waitGate, int errorCode) const
{
    const ORSSerialPortError error = ORSSerialPortError::fromErrno(errorCode, device.path);
    deliverAndWait(waitGate, [error](ORSSerialPort* port, ORSSerialPortDelegate* delegate) {
        delegate->serialPortDidEncounterError(port, error);
    });
}

// Observers of isOpen are told on the main thread, with the value in force when they are told,
// so that a late notice of a close never contradicts a newer open.
void ORSSerialPort::Private::publishOpenState()
{
    const bool open = q->isOpen();
    if (open == publishedOpen)
        return;
    publishedOpen = open;
    emit q->isOpenChanged(open);
}

void ORSSerialPort::Private::publishOpenStateSoon() const
{
    ORSMainThreadGate::post([weakPort = self] {
        if (const Ptr port = weakPort.lock())
            port->d->publishOpenState();
    });
}

// ---- Writing, closing, removal ----

bool ORSSerialPort::sendData(const QByteArray& data)
{
    Private::DescriptorUse use(*d);
    if (!use)
        return false;
    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(use.descriptor(), next, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            d->reportErrorLater(errno);
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

bool ORSSerialPort::close()
{
    std::lock_guard lock(d->mutex);
    if (d->connection)
        d->requestClose(*d->connection);
    return true;
}

void ORSSerialPort::cleanupAfterSystemRemoval()
{
    {
        std::lock_guard lock(d->mutex);
        if (d->connection)
            d->connection->removalHandled = true;  // the port's own threads need not tell it again
    }
    d->runRemovalCleanup(*d->gate);
}

void ORSSerialPort::Private::runRemovalCleanup(ORSMainThreadGate& waitGate)
{
    deliverAndWait(waitGate, [](ORSSerialPort* port, ORSSerialPortDelegate* delegate) {
        delegate->serialPortWasRemovedFromSystem(port);
    });
    q->close();
}

// Called with mutex held. The first request wakes the reader, which then runs the close step.
void ORSSerialPort::Private::requestClose(ORSSerialConnection& opening)
{
    if (opening.closeRequested.exchange(true))
        return;
    wakeReader(opening);
}

// Called with mutex held: the reader looks again at the close request.
void ORSSerialPort::Private::wakeReader(ORSSerialConnection& opening)
{
    if (opening.wakeDescriptor < 0)
        return;
    const uint64_t one = 1;
    while (::write(opening.wakeDescriptor, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

int ORSSerialPort::Private::beginDescriptorUse()
{
    std::lock_guard lock(useMutex);
    if (usableDescriptor < 0)
        return -1;
    ++usesInFlight;
    return usableDescriptor;
}

void ORSSerialPort::Private::endDescriptorUse()
{
    std::lock_guard lock(useMutex);
    if (--usesInFlight == 0)
        useEnded.notify_all();
}

// Destruction: no waiting for the main thread any more, then every opening is closed and its
// threads joined. Callbacks still queued find the port gone and are dropped.
void ORSSerialPort::Private::shutDown()
{
    gate->release();
    std::vector<std::shared_ptr<ORSSerialConnection>> openings;
    {
        std::lock_guard lock(mutex);
        if (connection) {
            requestClose(*connection);
            openings.push_back(connection);
        }
        openings.insert(openings.end(), retired.begin(), retired.end());
        retired.clear();
    }
    for (const auto& opening : openings) {
        opening->gate->release();
        if (opening->reader.joinable())
            opening->reader.join();
    }
}

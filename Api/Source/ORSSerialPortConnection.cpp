// ORSSerialPort: opening the device, the options and modem steps, the reader and pin-poll threads,
// removal detection and the close step.
#include "Api/Source/ORSSerialPort.h"
#include "Api/Source/ORSSerialPortPrivate.h"

#include "Api/Source/NodePath.h"
#include "Api/Source/ThreadLatency.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace std::chrono_literals;

ORSSerialConnection::~ORSSerialConnection()
{
    if (wakeDescriptor >= 0)
        ::close(wakeDescriptor);
}

void ORSSerialPort::setPinPollForced(bool forced)
{
    Private::pinPollForced = forced;
}

// ---- Open ----

void ORSSerialPort::open()
{
    {
        std::lock_guard serialised(d->openMutex);
        if (isOpen())
            return;
        d->joinRetiredConnections();
        const std::shared_ptr<ORSSerialConnection> opening = d->openDevice();
        if (!opening)
            return;
        d->startConnection(opening);
    }
    if (ORSMainThreadGate::isMainThread())
        d->publishOpenState();
    else
        d->publishOpenStateSoon();
}

// The readers of earlier openings have finished their close step; they may still be waiting for
// the main thread to take their closed callback, which the released gate lets them skip.
void ORSSerialPort::Private::joinRetiredConnections()
{
    std::vector<std::shared_ptr<ORSSerialConnection>> finished;
    {
        std::lock_guard lock(mutex);
        finished.swap(retired);
    }
    for (const auto& opening : finished) {
        opening->gate->release();
        if (opening->reader.joinable())
            opening->reader.join();
    }
}

// Moves a descriptor that came out as 0 (standard input was closed) above 0: 0 means "closed".
static int descriptorAboveZero(int descriptor)
{
    if (descriptor != 0)
        return descriptor;
    const int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, 1);
    const int failure = errno;
    ::close(descriptor);
    errno = failure;
    return moved;
}

// Switches on the driver's low-latency mode; returns the flags to restore when it was switched on.
// Pseudo-terminals and some drivers have no such mode (ENOTTY, EINVAL): nothing to do then.
static std::optional<int> requestLowLatency(int descriptor, int* failure)
{
    serial_struct serial{};
    if (ioctl(descriptor, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return std::nullopt;
    const int original = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(descriptor, TIOCSSERIAL, &serial) != 0) {
        if (errno != ENOTTY && errno != EINVAL)
            *failure = errno;
        return std::nullopt;
    }
    return original;
}

// Exclusive, non-blocking open (a device another open holds fails at once), then blocking I/O.
// flock stops every other user, root included; TIOCEXCL also keeps out opens that take no lock.
std::shared_ptr<ORSSerialConnection> ORSSerialPort::Private::openDevice()
{
    const QByteArray nodePath = NodePath::toBytes(device.path);
    const int descriptor = descriptorAboveZero(::open(nodePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (descriptor < 0) {
        reportErrorLater(errno);
        return nullptr;
    }
    const int wakeDescriptor = eventfd(0, EFD_CLOEXEC);
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0 || ioctl(descriptor, TIOCEXCL) != 0 || wakeDescriptor < 0) {
        const int failure = errno;
        ::close(descriptor);
        if (wakeDescriptor >= 0)
            ::close(wakeDescriptor);
        reportErrorLater(failure);
        return nullptr;
    }
    fcntl(descriptor, F_SETFL, 0);  // blocking from here on; a failure changes nothing that matters

    auto opening = std::make_shared<ORSSerialConnection>();
    opening->descriptor = descriptor;
    opening->wakeDescriptor = wakeDescriptor;
    opening->port = self;
    int lowLatencyFailure = 0;
    opening->originalSerialFlags = requestLowLatency(descriptor, &lowLatencyFailure);
    if (lowLatencyFailure != 0)
        reportErrorLater(lowLatencyFailure);
    termios original{};
    if (tcgetattr(descriptor, &original) == 0)
        opening->originalAttributes = original;
    return opening;
}

// Line settings and modem outputs first, then the opened callback is queued, and only then do the
// threads start: the delegate always hears of the opening before the first data.
void ORSSerialPort::Private::startConnection(const std::shared_ptr<ORSSerialConnection>& opening)
{
    {
        std::lock_guard lock(mutex);
        connection = opening;
        fileDescriptor = opening->descriptor;
    }
    {
        std::lock_guard lock(useMutex);
        usableDescriptor = opening->descriptor;
    }
    applyOptions();
    updateModemLines(opening.get());
    deliverLater([](ORSSerialPort* port, ORSSerialPortDelegate* delegate) { delegate->serialPortWasOpened(port); });
    ORSSerialConnection* raw = opening.get();
    opening->pinPollForced = pinPollForced;
    if (!opening->modemLinesReported || opening->pinPollForced)  // without modem lines there is nothing to poll
        opening->pinPoll = std::thread([this, raw] { pinPollLoop(raw); });
    opening->reader = std::thread([this, raw] { readLoop(raw); });
}

// ---- Options and modem steps ----

void ORSSerialPort::Private::applyOptions()
{
    DescriptorUse use(*this);
    if (!use)
        return;
    termios attributes{};
    if (tcgetattr(use.descriptor(), &attributes) != 0) {
        reportErrorLater(errno);
        return;
    }
    const ORSSerialLine::Settings settings = lineSettings();
    ORSSerialLine::configure(attributes, settings);
    if (!ORSSerialLine::setSpeed(attributes, settings.baudRate)
        || tcsetattr(use.descriptor(), TCSANOW, &attributes) != 0)
        reportErrorLater(errno);
}

// Drives RTS and DTR. When run for a new opening on a device without modem lines (a pseudo-terminal
// answers ENOTTY), the error it reports is that opening's only one: no pin poll starts for it.
void ORSSerialPort::Private::updateModemLines(ORSSerialConnection* openingConnection)
{
    DescriptorUse use(*this);
    if (!use)
        return;
    int bits = 0;
    if (ioctl(use.descriptor(), TIOCMGET, &bits) == 0) {
        bits = RTS ? (bits | TIOCM_RTS) : (bits & ~TIOCM_RTS);
        bits = DTR ? (bits | TIOCM_DTR) : (bits & ~TIOCM_DTR);
        if (ioctl(use.descriptor(), TIOCMSET, &bits) == 0)
            return;
    }
    const int failure = errno;
    if (openingConnection && ORSSerialLine::hasNoModemLines(failure))
        openingConnection->modemLinesReported = true;
    reportErrorLater(failure);
}

// ---- Reader thread ----

// One read per readiness, handed on to the receiver or through the pending input. A hang-up
// (POLLHUP, end of file after readiness, a read error) means the device is gone: the removal clean-up
// runs once, and from then on the reader waits only for the close request instead of spinning on the
// dead descriptor.
void ORSSerialPort::Private::readLoop(ORSSerialConnection* opening)
{
    pthread_setname_np(pthread_self(), "serial-reader");
    ThreadLatency::requestShortSlice();
    std::array<char, 1024> buffer{};
    bool hungUp = false;
    while (!opening->closeRequested) {
        pollfd watched[2] = {{opening->wakeDescriptor, POLLIN, 0}, {opening->descriptor, POLLIN, 0}};
        if (poll(watched, hungUp ? 1 : 2, -1) < 0) {
            if (errno != EINTR)
                break;
            continue;
        }
        if (watched[0].revents != 0) {
            uint64_t wakes = 0;  // a close request: the loop condition ends the loop
            [[maybe_unused]] const ssize_t drained = ::read(opening->wakeDescriptor, &wakes, sizeof wakes);
            continue;
        }
        if (hungUp)
            continue;
        if (watched[1].revents & POLLIN) {
            const ssize_t count = ::read(opening->descriptor, buffer.data(), buffer.size());
            if (count > 0) {
                handOverInput(buffer.data(), count);
                continue;
            }
            if (count < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
        } else if (!(watched[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            continue;
        }
        hungUp = true;
        handleRemovalOnce(opening);
    }
    runCloseStep(opening);
}

// Hands one read to the receiver; without one, appends it to the input waiting for the main thread
// and queues a wake-up to take it unless one is queued already. However fast the line, the main thread has at most one wake-up and
// pendingInputLimit bytes of ours waiting; the oldest bytes past the limit are dropped and counted.
void ORSSerialPort::Private::handOverInput(const char* bytes, qsizetype count)
{
    const auto readTime = std::chrono::steady_clock::now();
    {
        std::lock_guard receiverLock(receiverMutex);
        if (receiver) {
            receiver->receive(QByteArrayView(bytes, count), readTime);
            return;
        }
    }
    {
        std::lock_guard lock(inputMutex);
        if (pendingInput.isEmpty())
            pendingInputReadTime = readTime;
        pendingInput.append(bytes, count);
        const qsizetype excess = pendingInput.size() - pendingInputLimit;
        if (excess > 0) {
            pendingInput.remove(0, excess);
            droppedInputBytes += excess;
        }
        if (std::exchange(inputWakeQueued, true))
            return;
    }
    ORSMainThreadGate::post([port = self] { deliverPendingInput(port); });
}

// On the main thread: takes all input waiting and hands it to the delegate in one call, with the
// time of its oldest read.
void ORSSerialPort::Private::deliverPendingInput(const std::weak_ptr<ORSSerialPort>& weakPort)
{
    const Ptr port = weakPort.lock();
    if (!port)
        return;
    QByteArray data;
    std::chrono::steady_clock::time_point readTime;
    {
        std::lock_guard lock(port->d->inputMutex);
        data.swap(port->d->pendingInput);
        readTime = port->d->pendingInputReadTime;
        port->d->inputWakeQueued = false;
    }
    if (data.isEmpty())
        return;
    callDelegate(weakPort, [&data, readTime](ORSSerialPort* receiver, ORSSerialPortDelegate* delegate) {
        delegate->serialPortDidReceiveDataReadAt(receiver, data, readTime);
    });
}

void ORSSerialPort::Private::handleRemovalOnce(ORSSerialConnection* opening)
{
    if (!opening->removalHandled.exchange(true))
        runRemovalCleanup(*opening->gate);
}

// ---- Pin poll thread ----

void ORSSerialPort::Private::pinPollLoop(ORSSerialConnection* opening)
{
    // The poll's 5 ms leeway: the kernel may fire each 10 ms wait up to 5 ms late, together with
    // other timers, so that an idle port wakes the processor less often.
    prctl(PR_SET_TIMERSLACK, 5'000'000UL);
    pthread_setname_np(pthread_self(), "serial-pins");
    while (sampleModemLines(opening)) {
        std::unique_lock lock(opening->pinPollMutex);
        if (opening->pinPollWake.wait_for(lock, 10ms, [opening] { return opening->stopPinPoll; }))
            return;
    }
}

// One sample of CTS, DSR and DCD. False when polling must stop: the device is gone (the error is
// reported and the removal clean-up run, once), or it has no modem lines (reported once).
bool ORSSerialPort::Private::sampleModemLines(ORSSerialConnection* opening)
{
    int bits = 0;
    if (ioctl(opening->descriptor, TIOCMGET, &bits) != 0) {
        const int failure = errno;
        if (ORSSerialLine::isDeviceGone(failure)) {
            if (!opening->removalHandled.exchange(true)) {
                reportErrorAndWait(*opening->gate, failure);
                runRemovalCleanup(*opening->gate);
            }
            return false;
        }
        if (!opening->modemLinesReported.exchange(true))
            reportErrorLater(failure);
        return opening->pinPollForced;
    }
    publishInput(opening, &Private::CTS, bits & TIOCM_CTS, &ORSSerialPort::CTSChanged);
    publishInput(opening, &Private::DSR, bits & TIOCM_DSR, &ORSSerialPort::DSRChanged);
    publishInput(opening, &Private::DCD, bits & TIOCM_CAR, &ORSSerialPort::DCDChanged);
    return true;
}

// A changed input level is set and announced on the main thread; the poll waits for that.
void ORSSerialPort::Private::publishInput(ORSSerialConnection* opening, std::atomic<bool> Private::*level,
                                          bool value, void (ORSSerialPort::*changed)(bool))
{
    if ((this->*level) == value)
        return;
    opening->gate->runAndWait([weakPort = self, level, value, changed] {
        const Ptr port = weakPort.lock();
        if (!port || (port->d.get()->*level).exchange(value) == value)
            return;
        (port.get()->*changed)(value);
    });
}

// ---- Close step ----

// Runs on the reader thread once its loop has ended. Other users of the descriptor are let finish
// (flow control is cleared first so that their output is not held back) before it is closed, so no
// write or control call ever reaches a closed or reused descriptor.
void ORSSerialPort::Private::runCloseStep(ORSSerialConnection* opening)
{
    {
        std::lock_guard lock(opening->pinPollMutex);
        opening->stopPinPoll = true;
    }
    opening->pinPollWake.notify_all();
    if (opening->pinPoll.joinable())
        opening->pinPoll.join();

    const int descriptor = opening->descriptor;
    std::unique_lock uses(useMutex);
    usableDescriptor = -1;
    uses.unlock();
    termios attributes{};
    if (tcgetattr(descriptor, &attributes) == 0) {
        ORSSerialLine::clearFlowControl(attributes);
        tcsetattr(descriptor, TCSANOW, &attributes);
    }
    uses.lock();
    useEnded.wait(uses, [this] { return usesInFlight == 0; });
    uses.unlock();

    if (opening->originalAttributes)
        tcsetattr(descriptor, TCSADRAIN, &*opening->originalAttributes);
    serial_struct serial{};
    if (opening->originalSerialFlags && ioctl(descriptor, TIOCGSERIAL, &serial) == 0) {
        serial.flags = *opening->originalSerialFlags;
        ioctl(descriptor, TIOCSSERIAL, &serial);
    }
    ioctl(descriptor, TIOCNXCL);
    if (::close(descriptor) != 0) {
        // Reported; the port stays closing and counts as open. Linux has released the descriptor
        // anyway, and nothing closes it a second time.
        reportErrorLater(errno);
        return;
    }
    finishClosing(opening);
}

void ORSSerialPort::Private::finishClosing(ORSSerialConnection* opening)
{
    {
        std::lock_guard lock(mutex);
        fileDescriptor = 0;
        if (connection.get() == opening)
            retired.push_back(std::move(connection));
        // A retired opening is never woken again (close requests go to the current one only), so
        // its wake-up descriptor goes now: a closed port holds no descriptor.
        ::close(opening->wakeDescriptor);
        opening->wakeDescriptor = -1;
    }
    publishOpenStateSoon();
    deliverAndWait(*opening->gate, [](ORSSerialPort* port, ORSSerialPortDelegate* delegate) {
        delegate->serialPortWasClosed(port);
    });
}

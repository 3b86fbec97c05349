#include "VirtualServo/VirtualServo.h"

#include <algorithm>
#include <optional>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

VirtualServo::VirtualServo(QObject* parent)
    : QObject(parent)
{
    if (openPseudoTerminal())
        m_worker = std::thread([this] { run(); });
}

VirtualServo::~VirtualServo()
{
    vanish();
}

bool VirtualServo::openPseudoTerminal()
{
    auto fail = [this](const char* step) {
        m_error = QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLocal8Bit(std::strerror(errno)));
        for (int* fd : {&m_master, &m_slaveKeeper, &m_wakeup}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0)
        return fail("grantpt");
    if (unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname_r");
    m_slavePath = QString::fromLocal8Bit(name);
    // Raw from the start: with the default line discipline the terminal would echo the servo's
    // own replies back to it before the port has configured the line.
    termios attributes{};
    if (tcgetattr(m_master, &attributes) != 0)
        return fail("tcgetattr");
    cfmakeraw(&attributes);
    cfsetspeed(&attributes, B115200);
    if (tcsetattr(m_master, TCSANOW, &attributes) != 0)
        return fail("tcsetattr");
    m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slaveKeeper < 0)
        return fail("open slave");
    m_wakeup = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeup < 0)
        return fail("eventfd");
    return true;
}

void VirtualServo::stopWorker()
{
    if (!m_worker.joinable())
        return;
    m_stop = true;
    wake();
    m_worker.join();
}

void VirtualServo::vanish()
{
    stopWorker();
    for (int* fd : {&m_master, &m_slaveKeeper, &m_wakeup}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_vanished = true;
}

void VirtualServo::wake()
{
    if (m_wakeup < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeup, &one, sizeof one);
}

// ---- worker thread ----

void VirtualServo::run()
{
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakeup, POLLIN, 0}};
        const int ready = ::poll(fds, 2, pollTimeoutMs(Clock::now()));
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] const ssize_t got = ::read(m_wakeup, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN)
            readMaster(Clock::now());
        writeDue(Clock::now());
    }
}

int VirtualServo::pollTimeoutMs(Clock::time_point now) const
{
    std::lock_guard lock(m_mutex);
    std::optional<Clock::time_point> next;
    for (const PendingWrite& write : m_pending)
        next = next ? std::min(*next, write.due) : write.due;
    if (!m_heldReply.isEmpty())
        next = next ? std::min(*next, m_heldUntil) : m_heldUntil;
    if (!next)
        return -1;
    if (*next <= now)
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*next - now).count());
}

void VirtualServo::readMaster(Clock::time_point now)
{
    char buffer[4096];
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    if (count <= 0)
        return;
    const QByteArray bytes(buffer, count);
    {
        std::lock_guard lock(m_mutex);
        record(m_receivedChunks, bytes, now);
    }
    for (const QByteArray& frame : m_frameReader.append(bytes, now))
        handleFrame(frame, now);
}

void VirtualServo::handleFrame(const QByteArray& frame, Clock::time_point now)
{
    {
        std::lock_guard lock(m_mutex);
        record(m_receivedFrames, frame, now);
        if (m_echo)
            schedule(now, frame);
        const QByteArray reply = m_model.handleFrame(frame, now);
        if (!reply.isEmpty() && !m_silent)
            scheduleReply(reply, now);
    }
    emit frameReceived(frame);
}

// Called with m_mutex held.
void VirtualServo::scheduleReply(const QByteArray& reply, Clock::time_point now)
{
    const Clock::time_point due = now + m_replyDelay;
    QByteArray bytes = reply;
    if (m_pair) {
        if (m_heldReply.isEmpty()) {
            m_heldReply = reply;
            m_heldUntil = due + m_pairHold;
            return;
        }
        bytes = std::exchange(m_heldReply, {}) + reply;
    }
    if (m_split && bytes.size() > 1) {
        const qsizetype half = bytes.size() / 2;
        schedule(due, bytes.left(half));
        schedule(due + m_splitGap, bytes.mid(half));
        return;
    }
    schedule(due, bytes);
}

// Called with m_mutex held.
void VirtualServo::schedule(Clock::time_point due, const QByteArray& bytes)
{
    m_pending.push_back({due, m_nextOrder++, bytes});
}

void VirtualServo::writeDue(Clock::time_point now)
{
    std::vector<PendingWrite> due;
    {
        std::lock_guard lock(m_mutex);
        if (!m_heldReply.isEmpty() && m_heldUntil <= now) {
            schedule(m_heldUntil, m_heldReply);
            m_heldReply.clear();
        }
        auto notDue = std::stable_partition(m_pending.begin(), m_pending.end(),
                                            [now](const PendingWrite& w) { return w.due > now; });
        due.assign(std::make_move_iterator(notDue), std::make_move_iterator(m_pending.end()));
        m_pending.erase(notDue, m_pending.end());
    }
    std::sort(due.begin(), due.end(), [](const PendingWrite& a, const PendingWrite& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    for (const PendingWrite& write : due) {
        // Non-blocking: when nobody reads the slave side and its buffer is full, the rest is lost,
        // as on a bus nobody listens to.
        // Written under the lock, so that whoever has read these bytes also finds them recorded.
        std::lock_guard lock(m_mutex);
        const Clock::time_point writeTime = Clock::now();  // before the write: a reader may run at once
        const ssize_t written = ::write(m_master, write.bytes.constData(), static_cast<size_t>(write.bytes.size()));
        if (written > 0)
            record(m_writtenChunks, write.bytes.left(written), writeTime);
    }
}

void VirtualServo::record(QList<Chunk>& list, const QByteArray& bytes, Clock::time_point time)
{
    if (list.size() >= recordLimit)
        list.removeFirst();
    list.append({bytes, time});
}

// ---- main thread ----

VirtualServo::Settings VirtualServo::settings() const
{
    std::lock_guard lock(m_mutex);
    return m_model.settings();
}

void VirtualServo::setSettings(const Settings& settings)
{
    std::lock_guard lock(m_mutex);
    m_model.setSettings(settings);
}

int VirtualServo::temperature() const
{
    std::lock_guard lock(m_mutex);
    return m_model.temperature(Clock::now());
}

void VirtualServo::setTemperature(int celsius)
{
    std::lock_guard lock(m_mutex);
    m_model.setTemperature(celsius);
}

int VirtualServo::voltageMillivolts() const
{
    std::lock_guard lock(m_mutex);
    return m_model.voltageMillivolts(Clock::now());
}

void VirtualServo::setVoltageMillivolts(int millivolts)
{
    std::lock_guard lock(m_mutex);
    m_model.setVoltageMillivolts(millivolts);
}

int VirtualServo::position() const
{
    std::lock_guard lock(m_mutex);
    return m_model.position(Clock::now());
}

void VirtualServo::setPosition(int position)
{
    std::lock_guard lock(m_mutex);
    m_model.setPosition(position, Clock::now());
}

void VirtualServo::setDrift(bool drift)
{
    std::lock_guard lock(m_mutex);
    m_model.setDrift(drift);
}

QList<VirtualServo::Chunk> VirtualServo::receivedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_receivedFrames;
}

QList<VirtualServo::Chunk> VirtualServo::receivedChunks() const
{
    std::lock_guard lock(m_mutex);
    return m_receivedChunks;
}

QList<VirtualServo::Chunk> VirtualServo::writtenChunks() const
{
    std::lock_guard lock(m_mutex);
    return m_writtenChunks;
}

void VirtualServo::clearRecords()
{
    std::lock_guard lock(m_mutex);
    m_receivedFrames.clear();
    m_receivedChunks.clear();
    m_writtenChunks.clear();
}

void VirtualServo::setSilent(bool silent)
{
    std::lock_guard lock(m_mutex);
    m_silent = silent;
}

void VirtualServo::setReplyDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_replyDelay = delay;
}

void VirtualServo::setSplitReplies(bool split, std::chrono::milliseconds gap)
{
    std::lock_guard lock(m_mutex);
    m_split = split;
    m_splitGap = gap;
}

void VirtualServo::setPairReplies(bool pair, std::chrono::milliseconds hold)
{
    std::lock_guard lock(m_mutex);
    m_pair = pair;
    m_pairHold = hold;
}

void VirtualServo::setEchoCommands(bool echo)
{
    std::lock_guard lock(m_mutex);
    m_echo = echo;
}

void VirtualServo::sendNoise(int count)
{
    QByteArray noise;
    {
        std::lock_guard lock(m_mutex);
        for (int i = 0; i < count; ++i) {
            // xorshift32: reproducible noise without a seeded global generator
            m_noiseState ^= m_noiseState << 13;
            m_noiseState ^= m_noiseState >> 17;
            m_noiseState ^= m_noiseState << 5;
            noise.append(static_cast<char>(m_noiseState & 0xFF));
        }
    }
    writeRaw(noise);
}

void VirtualServo::writeRaw(const QByteArray& bytes)
{
    {
        std::lock_guard lock(m_mutex);
        schedule(Clock::now(), bytes);
    }
    wake();
}

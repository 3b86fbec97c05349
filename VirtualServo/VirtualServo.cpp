#include "VirtualServo/VirtualServo.h"

#include "Api/Bus/Protocol.h"
#include "Api/Source/ThreadLatency.h"

#include <algorithm>
#include <optional>
#include <vector>
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
    : VirtualServo(QList<Settings>{Settings{}}, parent)
{
}

VirtualServo::VirtualServo(const QList<Settings>& servos, QObject* parent)
    : QObject(parent)
{
    const Clock::time_point now = Clock::now();
    for (const Settings& settings : servos) {
        m_models.emplace_back(now);
        m_models.back().setSettings(settings);
    }
    if (m_models.empty())
        m_models.emplace_back(now);
    if (openPseudoTerminal())
        m_worker = std::thread([this] { run(); });
}

QList<VirtualServo::Settings> VirtualServo::servosWithIds(const QList<int>& ids)
{
    QList<Settings> servos;
    for (int id : ids) {
        Settings settings;
        settings.id = id;
        servos.append(settings);
    }
    return servos;
}

QList<VirtualServo::Settings> VirtualServo::robotServosWithIds(const QList<int>& ids)
{
    QList<Settings> servos = servosWithIds(ids);
    for (qsizetype i = 1; i < servos.size(); ++i) {
        Settings& s = servos[i];
        const int n = int(i);
        s.deviation = (n * 37) % 41 - 20;
        s.deviationSaved = true;
        // Limits wide enough for the demo's moves (250-750).
        s.angleMin = 40 + (n * 47) % 160;
        s.angleMax = 960 - (n * 31) % 160;
        s.voltageMinMillivolts = 6000 + (n % 3) * 500;
        s.voltageMaxMillivolts = 8400 + (n % 2) * 600;
        s.maxTemperature = 70 + (n * 7) % 20;
        s.ledOn = n % 3 != 0;
        s.alarmBits = n % 8;
    }
    return servos;
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

void VirtualServo::setBroadcastToFirstOnly(bool firstOnly)
{
    std::lock_guard lock(m_mutex);
    m_broadcastToFirstOnly = firstOnly;
}

void VirtualServo::setCorruptReplies(int command)
{
    std::lock_guard lock(m_mutex);
    m_corruptCommand = command;
}

void VirtualServo::setDropEveryNthReply(int n)
{
    std::lock_guard lock(m_mutex);
    m_dropEvery = std::max(n, 0);
    m_repliesScheduled = 0;
}

void VirtualServo::addServoSharingId(int id)
{
    std::lock_guard lock(m_mutex);
    VirtualServoModel twin(Clock::now());
    Settings settings;
    settings.id = id;
    twin.setSettings(settings);
    twin.setPosition(250, Clock::now());
    twin.setTemperature(33);
    m_models.push_back(twin);
}

void VirtualServo::connectServo(const Settings& settings, int position, int celsius)
{
    std::lock_guard lock(m_mutex);
    VirtualServoModel servo(Clock::now());
    servo.setSettings(settings);
    servo.setPosition(position, Clock::now());
    servo.setTemperature(celsius);
    m_models.push_back(servo);
}

void VirtualServo::disconnectServo(int servo)
{
    std::lock_guard lock(m_mutex);
    m_models.erase(m_models.begin() + servo);
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
    // A servo answers on its own time, never waiting for the processor the host program uses.
    ThreadLatency::requestShortSlice();
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wakeup, POLLIN, 0}};
        // Nanosecond time-outs: a paced reply is due a fraction of a millisecond after its command.
        const std::optional<Clock::duration> timeout = pollTimeout(Clock::now());
        timespec wait{};
        if (timeout) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*timeout).count();
            wait = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        }
        const int ready = ::ppoll(fds, 2, timeout ? &wait : nullptr, nullptr);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] const ssize_t got = ::read(m_wakeup, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN)
            readMaster(Clock::now());
        if (m_unplugNow)
            return unplugFromWorker();
        writeDue(Clock::now());
    }
}

std::optional<VirtualServo::Clock::duration> VirtualServo::pollTimeout(Clock::time_point now) const
{
    std::lock_guard lock(m_mutex);
    std::optional<Clock::time_point> next;
    for (const PendingWrite& write : m_pending)
        next = next ? std::min(*next, write.due) : write.due;
    if (!m_heldReply.isEmpty())
        next = next ? std::min(*next, m_heldUntil) : m_heldUntil;
    if (!next)
        return std::nullopt;
    return std::max(Clock::duration::zero(), *next - now);
}

void VirtualServo::readMaster(Clock::time_point now)
{
    char buffer[4096];
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    if (count <= 0)
        return;
    const QByteArray bytes(buffer, count);
    Clock::time_point lineStart = now;  // when the line began carrying these bytes
    {
        std::lock_guard lock(m_mutex);
        record(m_receivedChunks, bytes, now);
        if (m_paced) {
            lineStart = std::max(m_lineFreeAt, now);
            m_lineFreeAt = lineStart + lineByteTime * count;
        }
    }
    const QList<QByteArray> frames = m_frameReader.append(bytes, now);
    // On a paced line each frame is heard once its own last byte has arrived, not the read's last
    // byte: the first of several frames read together came first.
    std::vector<Clock::time_point> heard(frames.size(), now);
    qsizetype end = count - m_frameReader.pendingSize();
    for (qsizetype k = frames.size() - 1; k >= 0 && m_paced; --k) {
        heard[k] = lineStart + lineByteTime * std::max<qsizetype>(end, 1);
        end -= frames[k].size();
    }
    for (qsizetype k = 0; k < frames.size(); ++k) {
        handleFrame(frames[k], heard[k]);
        std::lock_guard lock(m_mutex);
        if (quint8(frames[k].at(4)) == m_unplugCommand) {
            m_unplugNow = true;
            return;
        }
    }
}

// The master side is replaced by /dev/null, which closes the pseudo-terminal (the slave side hangs
// up) while the descriptor stays valid for vanish() to close; the worker then ends.
void VirtualServo::unplugFromWorker()
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup3(null, m_master, O_CLOEXEC);
        ::close(null);
    }
}

void VirtualServo::handleFrame(const QByteArray& frame, Clock::time_point now)
{
    {
        std::lock_guard lock(m_mutex);
        record(m_receivedFrames, frame, now);
        if (m_echo)
            schedule(now, frame);
        QByteArray reply = answer(frame, now);
        if (!reply.isEmpty() && quint8(frame.at(4)) == m_corruptCommand)
            reply.back() = char(reply.back() ^ 0xFF);
        if (!reply.isEmpty() && !m_silent)
            scheduleReply(reply, now);
    }
    emit frameReceived(frame);
}

// Called with m_mutex held. Every servo acts on the frame; the replies of several servos overlap on
// the line, where a 0 bit of any of them wins (the idle line is 1), shorter replies ending in idle.
QByteArray VirtualServo::answer(const QByteArray& frame, Clock::time_point now)
{
    QByteArray line;
    int answers = 0;
    const bool broadcast = frame.size() > 2 && uint8_t(frame.at(2)) == SVProtocol::broadcastId;
    if (m_idReadsOnlyByBroadcast && !broadcast && frame.size() > 4 && uint8_t(frame.at(4)) == SVProtocol::ReadId)
        return {};
    for (VirtualServoModel& model : m_models) {
        if (broadcast && m_broadcastToFirstOnly && &model != &m_models.front())
            continue;
        const QByteArray reply = model.handleFrame(frame, now);
        if (reply.isEmpty())
            continue;
        ++answers;
        if (line.size() < reply.size())
            line.append(QByteArray(reply.size() - line.size(), char(0xFF)));
        for (qsizetype i = 0; i < reply.size(); ++i)
            line[i] = char(line[i] & reply[i]);
    }
    if (answers > 1)
        ++m_collisions;
    return line;
}

// Called with m_mutex held.
void VirtualServo::scheduleReply(QByteArray reply, Clock::time_point now)
{
    if (m_dropEvery > 0 && ++m_repliesScheduled % quint64(m_dropEvery) == 0)
        return;
    reply.prepend(noise(m_noiseBeforeReplies));
    Clock::time_point due = now + m_replyDelay;
    if (m_paced) {
        // Sent once the line is free; the host has the whole reply when its last byte has arrived.
        m_lineFreeAt = std::max(m_lineFreeAt, due) + lineByteTime * reply.size();
        due = m_lineFreeAt;
    }
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

int VirtualServo::servoCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_models.size());
}

VirtualServo::Settings VirtualServo::settings(int servo) const
{
    std::lock_guard lock(m_mutex);
    return m_models.at(size_t(servo)).settings();
}

void VirtualServo::setSettings(const Settings& settings, int servo)
{
    std::lock_guard lock(m_mutex);
    m_models.at(size_t(servo)).setSettings(settings);
}

int VirtualServo::temperature(int servo) const
{
    std::lock_guard lock(m_mutex);
    return m_models.at(size_t(servo)).temperature(Clock::now());
}

void VirtualServo::setTemperature(int celsius, int servo)
{
    std::lock_guard lock(m_mutex);
    m_models.at(size_t(servo)).setTemperature(celsius);
}

int VirtualServo::voltageMillivolts(int servo) const
{
    std::lock_guard lock(m_mutex);
    return m_models.at(size_t(servo)).voltageMillivolts(Clock::now());
}

void VirtualServo::setVoltageMillivolts(int millivolts, int servo)
{
    std::lock_guard lock(m_mutex);
    m_models.at(size_t(servo)).setVoltageMillivolts(millivolts);
}

int VirtualServo::position(int servo) const
{
    std::lock_guard lock(m_mutex);
    return m_models.at(size_t(servo)).position(Clock::now());
}

void VirtualServo::setPosition(int position, int servo)
{
    std::lock_guard lock(m_mutex);
    m_models.at(size_t(servo)).setPosition(position, Clock::now());
}

void VirtualServo::setDrift(bool drift)
{
    std::lock_guard lock(m_mutex);
    for (VirtualServoModel& model : m_models)
        model.setDrift(drift);
}

void VirtualServo::setLinePacing(bool paced)
{
    std::lock_guard lock(m_mutex);
    m_paced = paced;
}

int VirtualServo::collisionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_collisions;
}

// The caller gets a list of its own: one that shared the record's storage would leave the worker
// thread moving entries that the caller is still reading when it next appends.
static QList<VirtualServo::Chunk> separateCopy(const QList<VirtualServo::Chunk>& record)
{
    QList<VirtualServo::Chunk> copy;
    copy.reserve(record.size());
    for (const VirtualServo::Chunk& chunk : record)
        copy.append(chunk);
    return copy;
}

QList<VirtualServo::Chunk> VirtualServo::receivedFrames() const
{
    std::lock_guard lock(m_mutex);
    return separateCopy(m_receivedFrames);
}

QList<VirtualServo::Chunk> VirtualServo::receivedChunks() const
{
    std::lock_guard lock(m_mutex);
    return separateCopy(m_receivedChunks);
}

QList<VirtualServo::Chunk> VirtualServo::writtenChunks() const
{
    std::lock_guard lock(m_mutex);
    return separateCopy(m_writtenChunks);
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

void VirtualServo::setUnplugOnCommand(int command)
{
    std::lock_guard lock(m_mutex);
    m_unplugCommand = command;
}

// Called with m_mutex held.
QByteArray VirtualServo::noise(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        // xorshift32: reproducible noise without a seeded global generator
        m_noiseState ^= m_noiseState << 13;
        m_noiseState ^= m_noiseState >> 17;
        m_noiseState ^= m_noiseState << 5;
        bytes.append(static_cast<char>(m_noiseState & 0xFF));
    }
    return bytes;
}

void VirtualServo::sendNoise(int count)
{
    QByteArray bytes;
    {
        std::lock_guard lock(m_mutex);
        bytes = noise(count);
    }
    writeRaw(bytes);
}

void VirtualServo::setNoiseBeforeReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_noiseBeforeReplies = std::max(count, 0);
}

void VirtualServo::setIdReadsOnlyByBroadcast(bool only)
{
    std::lock_guard lock(m_mutex);
    m_idReadsOnlyByBroadcast = only;
}

void VirtualServo::writeRaw(const QByteArray& bytes)
{
    {
        std::lock_guard lock(m_mutex);
        schedule(Clock::now(), bytes);
    }
    wake();
}

// A program measured in a process of its own, so that every thread it has is its own. Both ends of
// the hand-shake live here: the program warms up, writes "ready" on its report stream (descriptor 3)
// and serves its events until its input ends; then it writes its own report there and exits. Its
// standard output goes nowhere, so that what it logs is written as in use but never waits for a
// reader. The harness starts it, waits for "ready", takes its readings while it runs, and lets it
// go. Start it from a process without threads (it is forked).
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QSocketNotifier>

#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

class MeasuredChild {
public:
    // program and arguments as the child's argv.
    explicit MeasuredChild(const QList<QByteArray>& command)
    {
        int input[2], output[2];
        if (command.isEmpty() || pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv;
        for (const QByteArray& word : command)
            argv.push_back(const_cast<char*>(word.constData()));
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(input[0], STDIN_FILENO);
            if (output[1] == reportDescriptor)
                fcntl(reportDescriptor, F_SETFD, 0);  // keep it open across exec
            else
                dup2(output[1], reportDescriptor);
            const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            dup2(nowhere, STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        m_toChild = input[1];
        m_fromChild = output[0];
        if (m_pid < 0)
            release();  // no child: waitUntilReady() fails at once
    }
    ~MeasuredChild()
    {
        if (m_pid > 0)
            kill(m_pid, SIGKILL);
        release();
    }
    MeasuredChild(const MeasuredChild&) = delete;
    MeasuredChild& operator=(const MeasuredChild&) = delete;

    pid_t pid() const { return m_pid; }

    // True once the child has said "ready"; false if it ended or said nothing within the timeout.
    bool waitUntilReady(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!m_output.contains(readyLine)) {
            if (m_fromChild < 0)
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd child{m_fromChild, POLLIN, 0};
            if (left.count() <= 0 || poll(&child, 1, int(left.count())) <= 0 || !readSome())
                return false;
        }
        m_output.remove(0, m_output.indexOf(readyLine) + readyLine.size());
        return true;
    }

    // Ends the child's input, waits for it to end and returns what it wrote after "ready" (or all it
    // wrote, if it never got ready).
    QByteArray release()
    {
        if (m_toChild >= 0)
            ::close(std::exchange(m_toChild, -1));
        if (m_fromChild >= 0) {
            while (readSome()) {
            }
            ::close(std::exchange(m_fromChild, -1));
        }
        int status = 0;
        if (m_pid > 0 && waitpid(std::exchange(m_pid, -1), &status, 0) > 0)
            m_succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return std::exchange(m_output, {});
    }
    // After release(): whether the child exited with status 0.
    bool succeeded() const { return m_succeeded; }

    // In the measured program: where its report goes (standard output when run by hand).
    static FILE* report()
    {
        static FILE* const stream = [] {
            FILE* opened = fcntl(reportDescriptor, F_GETFD) >= 0 ? fdopen(reportDescriptor, "w") : stdout;
            setvbuf(opened, nullptr, _IOLBF, 0);  // each line reaches the harness even if the exit is abrupt
            return opened;
        }();
        return stream;
    }
    // In the measured program: tells the harness that the measured time begins.
    static void announceReady()
    {
        std::fputs(readyLine.constData(), report());
        std::fflush(report());
    }
    // In the measured program: serves the main thread's events until the harness lets go.
    static void serveUntilReleased()
    {
        QEventLoop loop;
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    static constexpr int reportDescriptor = 3;
    static inline const QByteArray readyLine = QByteArrayLiteral("ready\n");

    bool readSome()
    {
        char buffer[4096];
        const ssize_t got = ::read(m_fromChild, buffer, sizeof buffer);
        if (got > 0)
            m_output.append(buffer, qsizetype(got));
        return got > 0;
    }

    pid_t m_pid = -1;
    int m_toChild = -1;
    int m_fromChild = -1;
    QByteArray m_output;
    bool m_succeeded = false;
};

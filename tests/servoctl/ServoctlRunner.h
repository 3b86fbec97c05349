// servoctl as a user runs it: the built program in a process of its own, with its port option
// naming the pseudo-terminal of a virtual bus with servos 1, 2 and 7.
#pragma once

#include "Api/Bus/Protocol.h"
#include "VirtualServo/VirtualServo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct ServoctlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ServoctlRunner {
public:
    static inline const QList<int> busIds{1, 2, 7};
    static inline const QList<int> writeCommands{1, 13, 17, 18, 20, 22, 24, 29, 31, 33, 35};

    // Starts servoctl on the bus's port with arguments (the port option after them, which it accepts).
    void start(QProcess& process, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(SERVOCTL_PROGRAM), arguments + QStringList{"--port", bus.slavePath()});
        ASSERT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    }

    ServoctlRun finish(QProcess& process)
    {
        EXPECT_TRUE(process.waitForFinished(60000)) << "servoctl did not end";
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    // A command run to its end, with nothing to read on standard input.
    ServoctlRun run(const QStringList& arguments)
    {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        start(process, arguments);
        return finish(process);
    }

    int indexOf(int id) const { return int(busIds.indexOf(id)); }

    // The frames of these commands the bus received, in order.
    QList<VirtualServo::Chunk> framesOf(const QList<int>& commands) const
    {
        QList<VirtualServo::Chunk> frames;
        for (const VirtualServo::Chunk& frame : bus.receivedFrames())
            if (commands.contains(quint8(frame.bytes.at(4))))
                frames.append(frame);
        return frames;
    }

    bool busReceivedWrite() const { return !framesOf(writeCommands).isEmpty(); }

    // The torque switches servo id received, on (true) or off, in order.
    QList<bool> torqueSwitches(int id) const
    {
        QList<bool> switches;
        for (const VirtualServo::Chunk& frame : framesOf({SVProtocol::WriteMotorLoad}))
            if (quint8(frame.bytes.at(2)) == id)
                switches.append(SVProtocol::switchIsOn(quint8(frame.bytes.at(5))));
        return switches;
    }

    QString file(const QString& name) const { return work.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    QStringList backups() const
    {
        return QDir(dataHome.path() + QStringLiteral("/servodesk/backups")).entryList(QDir::Files);
    }

    VirtualServo bus{VirtualServo::servosWithIds(busIds)};
    QTemporaryDir dataHome;
    QTemporaryDir work;
};

// ThreadSanitizer cannot follow a process with threads (the bus's worker) that forks to start
// another; the bus's threads are checked by its own tests.
#if defined(__SANITIZE_THREAD__)
#define SKIP_UNDER_THREAD_SANITIZER() GTEST_SKIP() << "ThreadSanitizer does not support starting processes from a threaded one"
#else
#define SKIP_UNDER_THREAD_SANITIZER() (void)0
#endif

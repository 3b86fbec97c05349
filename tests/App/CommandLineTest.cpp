// The program as a script runs it: slips on the command line end it with a status and a reason
// instead of a window that never closes, a screenshot that cannot be written whole is not written,
// and --language alone chooses and keeps the language.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {

struct Outcome {
    int status = -1;
    QString errors;
    bool finished = false;
};

// Runs the program with its own settings folder. A run that has not ended after 60 s, or once
// `enough` holds (the window is up and the test has what it needs), is stopped.
Outcome runProgram(const QStringList& arguments, const QString& configHome, const std::function<bool()>& enough = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    // The program ends without leaks, failures included (under AddressSanitizer a leak changes the
    // exit status).
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=1"));
    process.setProcessEnvironment(environment);
    process.start(QString::fromLocal8Bit(qgetenv("SERVODESK_PROGRAM")), arguments);
    Outcome run;
    for (int waited = 0; waited < 600 && !run.finished && !(enough && enough()); ++waited)
        run.finished = process.waitForFinished(100);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.status = process.exitCode();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("SERVODESK_PROGRAM").isEmpty()) << "SERVODESK_PROGRAM names no program";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(CommandLineTest, SlipsEndTheProgramWithAStatusAndAReason)
{
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const struct {
        const char* name;
        QStringList arguments;
        int status;
        QString reason;
    } cases[] = {
        {"empty screenshot name", {"--screenshot", ""}, 2, "--screenshot"},
        {"screenshot in a missing folder", {"--screenshot", dir.filePath("missing/shot.png")}, 1,
         QString::fromLocal8Bit(std::strerror(ENOENT))},
        {"screenshot onto a folder", {"--screenshot", dir.path()}, 1, "folder"},
        {"port without a path", {"--screenshot", shot, "--port"}, 2, "--port"},
        {"port followed by an option", {"--port", "--screenshot", shot}, 2, "--port"},
        {"empty port", {"--port=", "--screenshot", shot}, 2, "--port"},
        {"page without screenshot", {"--page", "about"}, 2, "--page"},
        {"unreachable port", {"--screenshot", shot, "--port", "/etc/passwd/ttyV0"}, 0,
         QString::fromLocal8Bit(std::strerror(ENOTDIR))},
        {"screenshot onto a full device", {"--screenshot", "/dev/full"}, 1,
         "servodesk: cannot write /dev/full: " + QString::fromLocal8Bit(std::strerror(ENOSPC))},
    };
    for (const auto& c : cases) {
        const Outcome run = runProgram(c.arguments, dir.path());
        ASSERT_TRUE(run.finished) << c.name << ": the program did not end";
        EXPECT_EQ(run.status, c.status) << c.name << ": " << qPrintable(run.errors);
        EXPECT_TRUE(run.errors.contains(c.reason)) << c.name << ": " << qPrintable(run.errors);
    }
    EXPECT_TRUE(QFile::exists(shot)) << "the good screenshot was not written";
}

// On a disk that fills up while the picture is written, the file already there stays as it was and
// nothing else is left behind. Needs a small tmpfs, which only root can mount.
TEST_F(CommandLineTest, AScreenshotThatDoesNotFitLeavesThePreviousFileWhole)
{
    const QString disk = dir.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    const QByteArray diskPath = QFile::encodeName(disk);
    if (::mount("tmpfs", diskPath.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a 64 KiB tmpfs (" << std::strerror(errno) << "), so no full disk to try";
    const struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{diskPath};

    const QString shot = disk + QStringLiteral("/shot.png");
    const QByteArray previous = "the previous screenshot";
    QFile previousFile(shot);
    ASSERT_TRUE(previousFile.open(QIODevice::WriteOnly) && previousFile.write(previous) == previous.size());
    previousFile.close();
    // Filled up to 8 KiB, so that the picture starts to be written and then meets the end of the disk.
    struct statvfs space {};
    ASSERT_EQ(::statvfs(diskPath.constData(), &space), 0);
    QFile filler(disk + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    ASSERT_TRUE(filler.resize(qint64(space.f_bavail * space.f_frsize) - 8192));
    filler.close();

    const Outcome run = runProgram({"--screenshot", shot}, dir.path());
    ASSERT_TRUE(run.finished) << "the program did not end";
    EXPECT_EQ(run.status, 1) << qPrintable(run.errors);
    EXPECT_TRUE(run.errors.contains("servodesk: cannot write " + shot + ": ")) << qPrintable(run.errors);
    ASSERT_TRUE(previousFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(previousFile.readAll(), previous) << "the previous screenshot was changed";
    EXPECT_EQ(QDir(disk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"filler", "shot.png"}))
        << "a partial file was left behind";
}

// --language without a screenshot is saved for this and later starts; with one, nothing is saved.
TEST_F(CommandLineTest, LanguageAloneIsChosenAndKept)
{
    const QString settingsFile = dir.filePath(QStringLiteral("ServoDesk/ServoDesk.conf"));
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const Outcome screenshot = runProgram({"--language", "zh-Hant", "--screenshot", shot}, dir.path());
    ASSERT_TRUE(screenshot.finished);
    EXPECT_EQ(screenshot.status, 0) << qPrintable(screenshot.errors);
    EXPECT_FALSE(QFile::exists(settingsFile)) << "a screenshot saved the language";

    for (const QString code : {"zh-Hant", "en", "zh-Hans"}) {
        auto saved = [&] { return QSettings(settingsFile, QSettings::IniFormat).value("AppLanguagesKey").toString(); };
        const Outcome run = runProgram({"--language", code}, dir.path(), [&] { return saved() == code; });
        EXPECT_FALSE(run.finished) << "the window did not stay: " << qPrintable(run.errors);
        const QSettings settings(settingsFile, QSettings::IniFormat);
        EXPECT_EQ(settings.value("AppLanguagesKey").toString(), code);
        const QString name = code == "en" ? "English" : code == "zh-Hans" ? "中文" : "繁體";
        EXPECT_EQ(settings.value("language").toString(), name);
    }
}

}  // namespace

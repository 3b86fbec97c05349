// The window under transport faults: the adapter unplugged in the middle of a write burst or of a
// block read, and a port held by another program. The window must end in its closed state with the
// right ports listed, or leave the panel as it was and open later.
#include "Classes/VC/SVSettingViewController.h"
#include "support/core/EventLoopWait.h"
#include "support/core/LockHolder.h"
#include "support/ui/ControllerHarness.h"

#include <QComboBox>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace {

using C = SVSettingViewController;

// Log lines of the test, to see what the window logs.
class LogCapture {
public:
    LogCapture() { s_lines = &lines; m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        if (s_lines)
            s_lines->append(message);
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous = nullptr;
};

class ControllerFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        port = harness.controller().serialPort();
    }

    // The adapter goes: its node vanishes and the device source reports it.
    void unplug()
    {
        harness.servo().vanish();
        harness.deviceSource().unplug({harness.servoDevice()});
    }

    void expectClosedWindow()
    {
        C& c = harness.controller();
        EXPECT_TRUE(waitForCondition([&] { return !port->isOpen(); })) << "the unplugged port never closed";
        EXPECT_TRUE(harness.waitForEncoderIdle()) << "the encoder's queue hangs";
        EXPECT_TRUE(waitForCondition([&] { return c.boxCOM()->isEnabled(); })) << "the port list stays disabled";
        EXPECT_EQ(c.buttonWireless()->title(), ControllerHarness::localized(QStringLiteral("open_com")));
        EXPECT_EQ(c.boxCOM()->findText(ControllerHarness::servoPortName), -1) << "the unplugged port is still listed";
        EXPECT_TRUE(harness.manager().availablePorts().isEmpty());
    }

    ControllerHarness harness;
    ORSSerialPort::Ptr port;
};

TEST_F(ControllerFaults, UnplugInTheMiddleOfAWriteBurstClosesTheWindowsConnection)
{
    for (int i = 0; i < 5000; ++i)
        harness.controller().serialApi().sendOneSteering(1, i % 1000, 100);
    ASSERT_TRUE(harness.waitForFrames(1, 20)) << "the burst never started";
    ASSERT_FALSE(harness.controller().serialApi().queue().waitUntilIdle(std::chrono::milliseconds(0)))
        << "the burst ended before the unplug";
    unplug();
    expectClosedWindow();
}

TEST_F(ControllerFaults, UnplugInTheMiddleOfABlockReadClosesTheWindowsConnection)
{
    harness.press(C::TagButtonRead);
    ASSERT_TRUE(harness.waitForFrames(21, 1)) << "the block read never started";
    unplug();
    expectClosedWindow();
    serveEventsFor(2500);  // past the read's time-out: it may tell of the failed read, nothing else
    for (const QString& tip : harness.tips().messages)
        EXPECT_NE(tip, ControllerHarness::localized(QStringLiteral("connect_success")));
}

TEST(ControllerPortHeld, OpenFailsAtOnceLeavesThePanelAndOpensOnceReleased)
{
    ControllerHarness harness;
    C& c = harness.controller();
    ASSERT_TRUE(harness.choosePort());
    LockHolder other(harness.servo().slavePath());
    ASSERT_TRUE(other.isHolding());
    const QString openTitle = c.buttonWireless()->title();

    LogCapture log;
    harness.press(C::TagButtonWireless);
    EXPECT_FALSE(c.serialPort()->isOpen()) << "the open did not fail at once";
    ASSERT_TRUE(waitForCondition([&] { return log.lines.join(u'\n').contains(QStringLiteral("encountered an error")); }))
        << "the failure was not logged: " << qPrintable(log.lines.join(u'\n'));
    serveEventsFor(50);
    EXPECT_EQ(c.buttonWireless()->title(), openTitle) << "the panel changed";
    EXPECT_TRUE(c.boxCOM()->isEnabled());
    EXPECT_EQ(harness.tips().messages, QStringList{ControllerHarness::localized(QStringLiteral("open_port_busy"))});

    other.release();
    ASSERT_TRUE(harness.openPort()) << "no open after the other program let go";
    serveEventsFor(50);
    EXPECT_EQ(harness.tips().messages.size(), 1) << "a successful open was told as a failure";
}

// The device node's permissions refuse this thread, root included: its mode is cleared and the
// thread gives up the capabilities that let root ignore modes, until this object goes.
class NodeRefusesAccess {
public:
    explicit NodeRefusesAccess(const QString& path)
        : m_path(path.toLocal8Bit())
    {
        struct stat status {};
        if (::stat(m_path.constData(), &status) != 0 || ::chmod(m_path.constData(), 0) != 0)
            return;
        m_mode = status.st_mode & 07777;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~NodeRefusesAccess()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
        if (m_mode)
            ::chmod(m_path.constData(), *m_mode);
    }
    NodeRefusesAccess(const NodeRefusesAccess&) = delete;
    NodeRefusesAccess& operator=(const NodeRefusesAccess&) = delete;
    bool isRefusing() const { return m_lowered; }

private:
    QByteArray m_path;
    std::optional<mode_t> m_mode;
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

// Why an open was refused is told in the window, in words the user can act on; a cause the window
// has no advice for is told in the system's words.
struct RefusedOpen {
    const char* name;
    std::function<std::shared_ptr<void>(VirtualServo&)> refuse;  // keeps the cause up while it lives
    std::function<QString()> expectedTip;
};

class ControllerRefusedOpen : public ::testing::TestWithParam<RefusedOpen> {};

TEST_P(ControllerRefusedOpen, TellsTheCauseInATip)
{
    ControllerHarness harness;
    ASSERT_TRUE(harness.choosePort());
    const std::shared_ptr<void> cause = GetParam().refuse(harness.servo());
    ASSERT_TRUE(cause) << "the cause could not be made";
    harness.press(C::TagButtonWireless);
    ASSERT_TRUE(waitForCondition([&] { return !harness.tips().messages.isEmpty(); })) << "the refusal was not told";
    EXPECT_EQ(harness.tips().messages, QStringList{GetParam().expectedTip()});
    EXPECT_FALSE(harness.controller().serialPort()->isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Causes, ControllerRefusedOpen,
    ::testing::Values(
        RefusedOpen{"PermissionDenied",
                    [](VirtualServo& servo) -> std::shared_ptr<void> {
                        auto refusal = std::make_shared<NodeRefusesAccess>(servo.slavePath());
                        return refusal->isRefusing() ? refusal : nullptr;
                    },
                    [] { return ControllerHarness::localized(QStringLiteral("open_permission_denied")); }},
        RefusedOpen{"DeviceGone",
                    [](VirtualServo& servo) {
                        servo.vanish();
                        return std::make_shared<int>(0);
                    },
                    [] {
                        return ControllerHarness::localized(QStringLiteral("open_failed"))
                            .replace(QStringLiteral("%@"), QString::fromLocal8Bit(std::strerror(ENOENT)));
                    }}),
    [](const ::testing::TestParamInfo<RefusedOpen>& info) { return std::string(info.param.name); });

} // namespace

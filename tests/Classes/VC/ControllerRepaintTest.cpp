// What the window repaints for the state poll's replies: a reply that changes nothing repaints
// nothing, a changed value repaints inside the controls that show it and nowhere else, and what
// ends up on the screen is what a full repaint of the window draws.
#include "Api/Bus/Protocol.h"
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/ui/ControllerHarness.h"
#include "support/ui/MainWindowHarness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Records the region of every paint event delivered to a widget of one window, in the window's
// coordinates.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    QRegion painted;
    QStringList paintedWidgets;

    void clear()
    {
        painted = QRegion();
        paintedWidgets.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget && widget->window() == m_window) {
            painted += static_cast<QPaintEvent*>(event)->region().translated(widget->mapTo(m_window, QPoint(0, 0)));
            paintedWidgets.append(QString::fromLatin1(widget->metaObject()->className()));
        }
        return false;
    }

private:
    QWidget* m_window;
};

// Lets every posted update reach the screen.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QByteArray reply(int command, const QByteArray& parameters)
{
    return VirtualServoModel::replyFrame(1, uint8_t(command), parameters);
}

// A 16-bit value as the servo sends it: low byte first.
QByteArray word(int value)
{
    QByteArray bytes;
    bytes.append(char(value & 0xff));
    bytes.append(char(value >> 8));
    return bytes;
}

struct StateReply {
    const char* name;
    QByteArray first;
    QByteArray changed;
    // The controls that show the value.
    std::function<QList<QWidget*>(SVSettingViewController&)> shownBy;
};

QRegion areaOf(const QList<QWidget*>& widgets, QWidget* window)
{
    QRegion area;
    for (QWidget* widget : widgets)
        area += QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return area;
}

TEST(ControllerRepaintTest, RepliesRepaintOnlyWhatChangedAndLeaveTheWindowAsAFullRepaintDraws)
{
    const QList<StateReply> replies = {
        {"temperature", reply(SVProtocol::ReadTemperature, QByteArray(1, char(31))),
         reply(SVProtocol::ReadTemperature, QByteArray(1, char(44))),
         [](SVSettingViewController& c) { return QList<QWidget*>{c.textCurrentTemperature(), c.dashTemperature()}; }},
        {"voltage", reply(SVProtocol::ReadVoltage, word(7400)), reply(SVProtocol::ReadVoltage, word(11800)),
         [](SVSettingViewController& c) { return QList<QWidget*>{c.textCurrentVoltage(), c.dash()}; }},
        {"position", reply(SVProtocol::ReadPosition, word(500)), reply(SVProtocol::ReadPosition, word(830)),
         [](SVSettingViewController& c) { return QList<QWidget*>{c.textCurrentPosition(), c.dashPostion()}; }},
        {"motor load", reply(SVProtocol::ReadMotorLoad, QByteArray(1, char(0))),
         reply(SVProtocol::ReadMotorLoad, QByteArray(1, char(1))),
         [](SVSettingViewController& c) { return QList<QWidget*>{c.buttonMotor()}; }},
    };

    MainWindowHarness harness;
    ASSERT_TRUE(harness.start());
    QWidget* window = harness.window();
    SVSettingViewController& c = harness.c();
    PaintRecorder recorder(window);
    settle();
    for (const StateReply& state : replies) {
        SCOPED_TRACE(state.name);
        c.serialPortDidReceiveData(nullptr, state.first);
        settle();

        recorder.clear();
        c.serialPortDidReceiveData(nullptr, state.first);
        settle();
        EXPECT_TRUE(recorder.painted.isEmpty()) << "the same value again repainted "
                                                << qPrintable(recorder.paintedWidgets.join(QLatin1String(", ")));

        recorder.clear();
        c.serialPortDidReceiveData(nullptr, state.changed);
        settle();
        const QRegion allowed = areaOf(state.shownBy(c), window);
        EXPECT_FALSE(recorder.painted.isEmpty()) << "a changed value was not repainted";
        EXPECT_TRUE((recorder.painted - allowed).isEmpty())
            << "painted outside the value's controls: " << qPrintable(recorder.paintedWidgets.join(QLatin1String(", ")));
    }

    // The screen holds what the partial repaints left; it must equal a repaint of everything. The
    // window's see-through corners are left out: the screen keeps them in its own format.
    const QImage onScreen = window->screen()->grabWindow(window->winId()).toImage();
    const QImage repainted = window->grab().toImage();
    ASSERT_EQ(onScreen.size(), repainted.size());
    const QImage a = onScreen.convertToFormat(QImage::Format_ARGB32);
    const QImage b = repainted.convertToFormat(QImage::Format_ARGB32);
    QRegion stale;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (qAlpha(b.pixel(x, y)) == 255 && a.pixel(x, y) != b.pixel(x, y))
                stale += QRect(x, y, 1, 1);
        }
    }
    EXPECT_TRUE(stale.isEmpty()) << "pixels left behind by partial repaints, within " << stale.boundingRect().x() << ","
                                 << stale.boundingRect().y() << " " << stale.boundingRect().width() << "x"
                                 << stale.boundingRect().height();
}

TEST(ControllerRepaintTest, GaugeFaceIsDrawnOncePerSize)
{
    MainWindowHarness harness;
    ASSERT_TRUE(harness.start());
    SVDashBoardView* dial = harness.c().dash();
    dial->grab();
    const qint64 face = dial->faceCacheKey();
    for (double volts : {1.5, 7.0, 14.9}) {
        dial->progress(volts);
        dial->grab();
    }
    EXPECT_EQ(dial->faceCacheKey(), face) << "the face was drawn again for a new value";

    dial->resize(dial->size() + QSize(20, 20));
    dial->grab();
    EXPECT_NE(dial->faceCacheKey(), face) << "a new size needs a new face";
}

// A port opened from the list leaves the focus on the open/close button: were it passed on to a text
// field, that field's cursor would blink, and repaint, for as long as the window stays open.
TEST(ControllerRepaintTest, OpeningThePortFromTheListLeavesNoBlinkingCursor)
{
    ControllerHarness harness;
    SVSettingViewController& c = harness.controller();
    QWidget* window = c.view();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    c.boxCOM()->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(focused), nullptr) << "the focus went to " << focused->metaObject()->className();
    EXPECT_EQ(focused, c.buttonWireless());
}

} // namespace

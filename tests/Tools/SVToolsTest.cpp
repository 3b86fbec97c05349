// Tips: the box shows the text and a confirm button titled in the language in force; it goes through
// the installed presenter, and the real modal presenter returns once the box is confirmed.
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/SVTools.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QLayout>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct RecordingPresenter : SVTipPresenter {
    void present(ModeWindow& window) override
    {
        messages.append(window.message()->text());
        confirmTitles.append(window.comfirm()->title());
        confirmColors.append(window.comfirm()->titleColor());
        frameless = window.windowFlags().testFlag(Qt::FramelessWindowHint);
        translucent = window.testAttribute(Qt::WA_TranslucentBackground);
        modality = window.windowModality();
    }
    QStringList messages;
    QStringList confirmTitles;
    QList<QColor> confirmColors;
    bool frameless = false;
    bool translucent = false;
    Qt::WindowModality modality = Qt::NonModal;
};

class TipTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SVTipPresenter::install(nullptr);
        SVLocalized::setLookup({});
    }
};

TEST_F(TipTest, ShowsTheTextWithALocalizedDarkConfirmButton)
{
    SVLocalized::setLookup([](const QString& key) { return key == "confirm" ? QStringLiteral("确定") : key; });
    RecordingPresenter presenter;
    SVTipPresenter::install(&presenter);

    SVTools::showTipWithMessage(QStringLiteral("Please open the serial port first"));
    SVTools::showTipWithMessage(QStringLiteral("Read failed"));

    EXPECT_EQ(presenter.messages, QStringList({ "Please open the serial port first", "Read failed" }));
    EXPECT_EQ(presenter.confirmTitles, QStringList({ "确定", "确定" }));
    EXPECT_EQ(presenter.confirmColors.value(0), SVButton::darkText());
    EXPECT_TRUE(presenter.frameless);
    EXPECT_TRUE(presenter.translucent);
    EXPECT_EQ(presenter.modality, Qt::ApplicationModal);
}

TEST_F(TipTest, InstallReturnsThePresenterItReplaces)
{
    RecordingPresenter first;
    RecordingPresenter second;
    SVTipPresenter* modal = SVTipPresenter::install(&first);
    EXPECT_NE(modal, &first);
    EXPECT_EQ(SVTipPresenter::install(&second), &first);
    EXPECT_EQ(&SVTipPresenter::current(), &second);
    SVTipPresenter::install(nullptr);
    EXPECT_EQ(&SVTipPresenter::current(), modal);
}

// Runs the real modal loop; a timer presses the confirm button of the open box. A second timer ends
// the loop after a deadline so that a failure cannot hang the suite.
TEST_F(TipTest, ModalBoxReturnsWhenConfirmed)
{
    bool clicked = false;
    QTimer presser;
    presser.setInterval(20);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<ModeWindow*>(QApplication::activeModalWidget())) {
            QTest::mouseClick(box->comfirm(), Qt::LeftButton);
            clicked = true;
        }
    });
    presser.start();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<ModeWindow*>(QApplication::activeModalWidget()))
            box->cancelAction();
    });
    guard.start(10000);

    SVTools::showTipWithMessage(QStringLiteral("Connected"));
    EXPECT_TRUE(clicked) << "the box was never confirmed; the guard closed it";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A long tip shows whole, in either script: the box grows taller for its lines; a short one keeps the
// usual 320 x 160.
TEST_F(TipTest, TheBoxGrowsToShowALongMessageWhole)
{
    struct : SVTipPresenter {
        void present(ModeWindow& window) override
        {
            window.layout()->activate();
            const QLabel* label = window.message();
            sizes.append(window.size());
            cutOff.append(label->height() < label->heightForWidth(label->width())
                          || window.comfirm()->geometry().bottom() >= window.height());
        }
        QList<QSize> sizes;
        QList<bool> cutOff;
    } presenter;
    SVTipPresenter::install(&presenter);
    for (const char* message : {"Read failed",
                                "Replies are slow. To set the timer to 1 ms until the adapter is plugged in again, run:\n"
                                "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer\nTo set it each "
                                "time, put this line in /etc/udev/rules.d/99-servodesk-latency.rules:\nACTION==\"add\"",
                                "适配器的延迟计时器会让每条应答最多延后十六毫秒送达，读取舵机和实时数值所需的时间因此最多可达"
                                "一毫秒时的十六倍。要将其设为一毫秒，请运行下面的命令，然后重新打开串口。"})
        SVTools::showTipWithMessage(QString::fromUtf8(message));

    EXPECT_EQ(presenter.sizes.value(0), QSize(320, 160)) << "a short tip changed the box";
    EXPECT_EQ(presenter.cutOff, QList<bool>({false, false, false}));
}

TEST_F(TipTest, CloseRequestEndsTheBoxButIsRefused)
{
    ModeWindow window;
    window.show();
    QCloseEvent close;
    QApplication::sendEvent(&window, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
}

}  // namespace

// Tips: the box shows the text and a confirm button titled in the language in force; it goes through
// the installed presenter, and the real modal presenter returns once the box is confirmed.
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/SVTools.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
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

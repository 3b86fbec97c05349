// The Robot page's Assign IDs… panel in the window, over a pseudo-terminal to a virtual bus that
// starts empty with the demo's box of one new servo: typed IDs become rows with the robot's names in
// the order given (ID 1 last); Enter starts, the box's servo gets the first ID; Escape stops the run
// that waits for the next, the panel says what is done and not, and Resume, with servos plugged in by
// hand, finds the done one and numbers the others.
#include "Classes/Robot/AssignPanel.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/Robot/ServoNames.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Tools/SVButton.h"
#include "VirtualServo/DemoServoBox.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AssignPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness.servo().setLinePacing(true);
        DemoServoBox::setShared(&box);
        ServoNames::shared().setNames({{3, QStringLiteral("left knee")}});
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        harness.controller().showRobotPage();
        RobotPage* page = harness.controller().viewRobot();
        ASSERT_TRUE(waitForCondition([&] { return page->buttonAssign()->isEnabled(); }));
        page->buttonAssign()->click();
        panel = page->assignPanel();
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->isVisible());
    }
    void TearDown() override
    {
        DemoServoBox::setShared(nullptr);
        ServoNames::shared().setNames({});
    }

    void type(const QString& ids)
    {
        panel->idsEdit()->clear();
        QTest::keyClicks(panel->idsEdit(), ids);
    }

    QList<int> busIds()
    {
        QList<int> ids;
        for (int i = 0; i < harness.servo().servoCount(); ++i)
            ids.append(harness.servo().settings(i).id);
        return ids;
    }

    QString localized(const char* key) { return ControllerHarness::localized(QLatin1String(key)); }

    ControllerHarness harness{true, {200}};
    DemoServoBox box{harness.servo(), 1};
    AssignPanel* panel = nullptr;
};

TEST_F(AssignPanelTest, NumbersTheBoxAndStopsAndResumes)
{
    type(QStringLiteral("1-3"));
    ASSERT_EQ(panel->table()->rowCount(), 3);
    EXPECT_EQ(panel->table()->item(0, 0)->text(), QStringLiteral("2"));
    EXPECT_EQ(panel->table()->item(2, 0)->text(), QStringLiteral("1"));
    EXPECT_EQ(panel->table()->item(1, 1)->text(), QStringLiteral("left knee"));
    EXPECT_TRUE(panel->nextLabel()->text().contains(QStringLiteral("ID 2"))) << qPrintable(panel->nextLabel()->text());

    // The box holds one servo: it gets ID 2, then the run waits for ID 3 until Escape stops it.
    QTest::keyClick(panel->idsEdit(), Qt::Key_Return);
    ASSERT_TRUE(waitForCondition([&] { return panel->stateOf(3) == AssignPanel::RowState::ConnectNow; }, 10000))
        << qPrintable(panel->statusLabel()->text());
    EXPECT_EQ(panel->stateOf(2), AssignPanel::RowState::Done);
    EXPECT_FALSE(panel->buttonClose()->isEnabled());
    QTest::keyClick(panel, Qt::Key_Escape);
    ASSERT_TRUE(waitForCondition([&] { return !panel->isRunning(); }, 10000));
    EXPECT_EQ(panel->nextLabel()->text(), localized("assign_stopped_title"));
    EXPECT_TRUE(panel->statusLabel()->text().contains(QStringLiteral("3, 1"))) << qPrintable(panel->statusLabel()->text());
    EXPECT_EQ(panel->stateOf(3), AssignPanel::RowState::NotDone);
    EXPECT_EQ(panel->buttonStart()->title(), localized("assign_resume"));

    // Servos plugged in by hand, one at a time: Resume finds servo 2 done and gives the others 3 and 1.
    harness.servo().connectServo(VirtualServo::Settings{}, 400, 30);
    panel->buttonStart()->click();
    ASSERT_TRUE(waitForCondition([&] { return panel->stateOf(3) == AssignPanel::RowState::Done; }, 10000))
        << qPrintable(panel->statusLabel()->text());
    EXPECT_EQ(panel->stateOf(2), AssignPanel::RowState::Done);
    harness.servo().connectServo(VirtualServo::Settings{}, 600, 31);
    ASSERT_TRUE(waitForCondition([&] { return !panel->isRunning(); }, 10000));
    EXPECT_EQ(panel->nextLabel()->text(), localized("assign_all_done"));
    EXPECT_EQ(panel->stateOf(1), AssignPanel::RowState::Done);
    EXPECT_EQ(busIds(), (QList<int>{2, 3, 1}));
    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
}

// Closing the port while the run waits ends it in the panel, which says so and keeps what is done;
// Close works again.
TEST_F(AssignPanelTest, ClosingThePortEndsTheRun)
{
    type(QStringLiteral("1-3"));
    panel->buttonStart()->click();
    ASSERT_TRUE(waitForCondition([&] { return panel->stateOf(3) == AssignPanel::RowState::ConnectNow; }, 10000))
        << qPrintable(panel->statusLabel()->text());
    ASSERT_TRUE(harness.closePort());
    ASSERT_TRUE(waitForCondition([&] { return !panel->isRunning(); }, 10000));
    EXPECT_EQ(panel->nextLabel()->text(), localized("assign_stopped_title"));
    EXPECT_EQ(panel->statusLabel()->text(), localized("robot_port_gone"));
    EXPECT_EQ(panel->stateOf(2), AssignPanel::RowState::Done);
    EXPECT_FALSE(panel->buttonStart()->isEnabled());
    EXPECT_TRUE(panel->buttonClose()->isEnabled());
}

}  // namespace

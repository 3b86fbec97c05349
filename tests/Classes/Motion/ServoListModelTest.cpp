// The list of servos on the bus: a new scan keeps what the user chose, a silent servo stays greyed
// until it answers again, and a user's check reaches the page.
#include "Classes/Motion/ServoListModel.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class ServoListModelTest : public ::testing::Test {
protected:
    QString text(int id, int column, int role = Qt::DisplayRole) const
    {
        return model.index(model.rowOf(id), column).data(role).toString();
    }

    ScopedSettingsStore settings;
    ServoListModel model;
    QAbstractItemModelTester tester { &model, QAbstractItemModelTester::FailureReportingMode::Fatal };
};

TEST_F(ServoListModelTest, ANewScanKeepsTheChoiceAndValuesOfServosFoundAgain)
{
    model.setFoundServos({ 3, 1 });
    EXPECT_EQ(model.ids(), QList<int>({ 1, 3 }));
    EXPECT_EQ(model.checkedIds(), QList<int>({ 1, 3 }));
    model.setChecked(3, false);
    model.updateState(3, ServoAccess::LiveState { 31, 7380, 512, true });
    model.updateState(1, ServoAccess::LiveState { 40, 12000, 0, false });

    model.setFoundServos({ 5, 3 });
    EXPECT_EQ(model.ids(), QList<int>({ 3, 5 }));
    EXPECT_EQ(model.checkedIds(), QList<int>({ 5 }));
    EXPECT_EQ(text(3, ServoListModel::PositionColumn), "512");
    EXPECT_EQ(text(3, ServoListModel::VoltageColumn), "7.4");
    EXPECT_EQ(text(3, ServoListModel::VoltageColumn, Qt::AccessibleTextRole), "7.4 V");
    EXPECT_EQ(text(3, ServoListModel::TemperatureColumn), "31");
    EXPECT_EQ(text(3, ServoListModel::TemperatureColumn, Qt::AccessibleTextRole), "31 ℃");
    EXPECT_EQ(text(3, ServoListModel::TorqueColumn), "on");
    for (int column = ServoListModel::PositionColumn; column < ServoListModel::ColumnCount; ++column)
        EXPECT_EQ(text(5, column), ServoListModel::unknownText()) << column;
}

TEST_F(ServoListModelTest, ASilentServoStaysGreyedUntilItAnswersAgain)
{
    model.setFoundServos({ 2, 4 });
    model.markSilent(4);
    ASSERT_EQ(model.ids(), QList<int>({ 2, 4 }));
    EXPECT_FALSE(model.isAnswering(4));
    EXPECT_TRUE(model.isAnswering(2));
    for (int column = 0; column < ServoListModel::ColumnCount; ++column) {
        const QModelIndex cell = model.index(model.rowOf(4), column);
        EXPECT_EQ(cell.data(Qt::ForegroundRole).value<QColor>(), QColor(150, 150, 150)) << column;
        EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), "not answering") << column;
        EXPECT_TRUE(cell.data(Qt::AccessibleTextRole).toString().contains("not answering")) << column;
    }
    EXPECT_FALSE(model.index(model.rowOf(2), 0).data(Qt::ForegroundRole).isValid());

    QSignalSpy changed(&model, &ServoListModel::dataChanged);
    model.updatePositions({ { 4, 600 }, { 2, 300 }, { 9, 100 } });  // servo 9 is not listed
    EXPECT_TRUE(model.isAnswering(4));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, ServoListModel::ColumnCount - 1));
    EXPECT_EQ(text(2, ServoListModel::PositionColumn, Qt::DisplayRole), "300");
    EXPECT_FALSE(model.index(model.rowOf(4), ServoListModel::TorqueColumn).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(text(4, ServoListModel::PositionColumn, Qt::AccessibleTextRole), "600");
}

TEST_F(ServoListModelTest, AUsersCheckTellsThePageWhichServosAreInTheSequence)
{
    model.setFoundServos({ 1, 2, 3 });
    QSignalSpy checked(&model, &ServoListModel::checkedIdsChanged);
    const QModelIndex servo2 = model.index(model.rowOf(2), ServoListModel::IdColumn);
    ASSERT_TRUE(model.flags(servo2).testFlag(Qt::ItemIsUserCheckable));

    EXPECT_TRUE(model.setData(servo2, Qt::Unchecked, Qt::CheckStateRole));
    ASSERT_EQ(checked.count(), 1);
    EXPECT_EQ(checked.at(0).at(0).value<QList<int>>(), QList<int>({ 1, 3 }));
    EXPECT_EQ(servo2.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

    EXPECT_TRUE(model.setData(servo2, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(model.index(0, ServoListModel::PositionColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(checked.count(), 1) << "nothing changed";
    model.setChecked(2, true);
    ASSERT_EQ(checked.count(), 2);
    EXPECT_EQ(checked.at(1).at(0).value<QList<int>>(), QList<int>({ 1, 2, 3 }));
}

}  // namespace

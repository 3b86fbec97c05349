// The sequence table: edits held to the file's ranges, steps kept in their rows through moves and
// removals, the round trip through the motion file, servo columns, the playing row and the editors.
#include "Classes/Motion/SequenceDelegate.h"
#include "Classes/Motion/SequenceModel.h"
#include "Tools/BundleLanguage.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

MotionStep makeStep(const QString& name, int timeMs, int pauseMs, QMap<int, int> positions)
{
    return MotionStep { name, timeMs, pauseMs, std::move(positions) };
}

// The motion as its file's text, so that a failure shows the steps that differ.
std::string fileText(const Motion& motion)
{
    return MotionFile::document(motion).toStdString();
}

class SequenceModelTest : public ::testing::Test {
protected:
    ScopedSettingsStore settings;
    SequenceModel model;
    QAbstractItemModelTester tester { &model, QAbstractItemModelTester::FailureReportingMode::Fatal };
};

struct EditCase {
    int column;
    QVariant input;
    bool accepted;
    QVariant stored;  // the cell's edit value afterwards
};

TEST_F(SequenceModelTest, EditsWithinTheFileRangesAreTakenAndOthersRefused)
{
    const int servo1 = SequenceModel::FirstServoColumn;
    const int servo2 = SequenceModel::FirstServoColumn + 1;
    const QString longest(SequenceModel::maximumNameLength, QChar('n'));
    const std::vector<EditCase> cases = {
        { SequenceModel::NameColumn, QStringLiteral("  lift  "), true, QStringLiteral("lift") },
        { SequenceModel::NameColumn, longest, true, longest },
        { SequenceModel::NameColumn, longest + "n", false, QStringLiteral("up") },
        { SequenceModel::TimeColumn, 0, true, 0 },
        { SequenceModel::TimeColumn, MotionFile::maximumTimeMs, true, MotionFile::maximumTimeMs },
        { SequenceModel::TimeColumn, MotionFile::maximumTimeMs + 1, false, 800 },
        { SequenceModel::TimeColumn, -1, false, 800 },
        { SequenceModel::TimeColumn, QStringLiteral(" 1500 "), true, 1500 },
        { SequenceModel::TimeColumn, QStringLiteral("12.5"), false, 800 },
        { SequenceModel::TimeColumn, QStringLiteral("1e3"), false, 800 },
        { SequenceModel::TimeColumn, QStringLiteral(""), false, 800 },
        { SequenceModel::TimeColumn, QStringLiteral("99999999999999999999"), false, 800 },
        { SequenceModel::PauseColumn, QStringLiteral("30000"), true, 30000 },
        { SequenceModel::PauseColumn, QStringLiteral("30001"), false, 200 },
        { SequenceModel::PauseColumn, 0, true, 0 },
        { servo1, MotionFile::maximumPosition, true, MotionFile::maximumPosition },
        { servo1, MotionFile::maximumPosition + 1, false, 500 },
        { servo1, QStringLiteral("0"), true, 0 },
        { servo1, QStringLiteral("-1"), false, 500 },
        { servo1, QStringLiteral("five"), false, 500 },
        { servo1, QStringLiteral(""), true, QVariant() },
        { servo2, QStringLiteral("250"), true, 250 },
    };
    for (const EditCase& edit : cases) {
        model.setMotion(Motion { 1, { makeStep("up", 800, 200, { { 1, 500 } }) } });
        model.setServoIds({ 1, 2 });
        ASSERT_FALSE(model.isModified()) << "adding a column is no change of the sequence";
        QSignalSpy modified(&model, &SequenceModel::modifiedChanged);
        const QModelIndex cell = model.index(0, edit.column);
        const std::string what = "column " + std::to_string(edit.column) + " input " + edit.input.toString().toStdString();

        EXPECT_EQ(model.setData(cell, edit.input, Qt::EditRole), edit.accepted) << what;
        EXPECT_EQ(cell.data(Qt::EditRole), edit.stored) << what;
        EXPECT_EQ(modified.count(), edit.accepted ? 1 : 0) << what;
        EXPECT_EQ(model.isModified(), edit.accepted) << what;
    }

    QSignalSpy modified(&model, &SequenceModel::modifiedChanged);
    ASSERT_TRUE(model.setData(model.index(0, SequenceModel::TimeColumn), 100));
    EXPECT_EQ(modified.count(), 0) << "the flag was already set: no second signal";
    model.markSaved();
    EXPECT_EQ(modified.count(), 1);
    EXPECT_FALSE(model.isModified());
}

TEST_F(SequenceModelTest, MovesRemovalsAndAppendsKeepEachStepsDataInItsRow)
{
    const MotionStep a = makeStep("a", 100, 10, { { 1, 100 } });
    const MotionStep b = makeStep("b", 200, 20, { { 2, 200 } });
    const MotionStep c = makeStep("c", 300, 30, { { 1, 300 }, { 2, 330 } });
    model.setMotion(Motion { 2, { a, b, c } });
    const QPersistentModelIndex stepA = model.index(0, SequenceModel::NameColumn);

    EXPECT_TRUE(model.moveStep(0, +1));
    EXPECT_FALSE(model.moveStep(2, +1));
    EXPECT_FALSE(model.moveStep(0, -1));
    EXPECT_TRUE(model.moveStep(2, -1));
    EXPECT_EQ(fileText(model.motion()), fileText(Motion { 2, { b, c, a } }));
    EXPECT_EQ(stepA.row(), 2) << "a view's index follows the moved step";

    model.removeStep(0);
    EXPECT_EQ(model.appendStep({ { 1, 1200 }, { 2, -3 }, { 9, 50 } }), 2);
    const MotionStep appended = makeStep("step 3", 1000, 0, { { 1, MotionFile::maximumPosition }, { 2, 0 } });
    EXPECT_EQ(fileText(model.motion()), fileText(Motion { 2, { c, a, appended } }));
    EXPECT_EQ(model.step(2), appended);
    EXPECT_TRUE(model.isModified());
}

TEST_F(SequenceModelTest, AMotionComesBackFromItsFileAndEditsReachTheFile)
{
    const Motion original { 3,
        { makeStep("reach", 800, 200, { { 1, 500 }, { 4, 620 } }), makeStep("抓取", 0, 0, { { 4, 0 } }),
            makeStep("", 30000, 30000, {}) } };
    model.setMotion(original);
    ASSERT_EQ(model.servoIds(), QList<int>({ 1, 4 }));
    const Result<Motion> reread = MotionFile::parse(MotionFile::document(model.motion()), "round.json");
    ASSERT_TRUE(reread.ok()) << reread.failure().message.toStdString();
    EXPECT_EQ(fileText(*reread), fileText(original));
    EXPECT_EQ(*reread, original);

    ASSERT_TRUE(model.setData(model.index(1, SequenceModel::NameColumn), QStringLiteral("grip")));
    ASSERT_TRUE(model.setData(model.index(1, SequenceModel::FirstServoColumn), 321));
    ASSERT_TRUE(model.setData(model.index(0, SequenceModel::FirstServoColumn + 1), QString()));
    ASSERT_TRUE(model.setData(model.index(2, SequenceModel::PauseColumn), QStringLiteral("5")));
    model.setRepeat(0);
    const Motion edited { 0,
        { makeStep("reach", 800, 200, { { 1, 500 } }), makeStep("grip", 0, 0, { { 1, 321 }, { 4, 0 } }),
            makeStep("", 30000, 5, {}) } };
    const Result<Motion> written = MotionFile::parse(MotionFile::document(model.motion()), "edited.json");
    ASSERT_TRUE(written.ok()) << written.failure().message.toStdString();
    EXPECT_EQ(fileText(*written), fileText(edited));
}

TEST_F(SequenceModelTest, ServoColumnsFollowTheServosInTheSequence)
{
    model.setMotion(Motion { 1, { makeStep("a", 100, 0, { { 1, 10 }, { 3, 30 } }), makeStep("b", 100, 0, { { 3, 33 } }) } });
    QSignalSpy modified(&model, &SequenceModel::modifiedChanged);

    model.setServoIds({ 1, 3, 7 });
    model.setServoIds({ 1, 3 });
    EXPECT_EQ(modified.count(), 0) << "a column without positions came and went";

    model.setServoIds({ 5, 1 });
    EXPECT_EQ(model.servoIds(), QList<int>({ 1, 5 }));
    EXPECT_EQ(model.columnCount(), SequenceModel::FirstServoColumn + 2);
    EXPECT_EQ(fileText(model.motion()), fileText(Motion { 1, { makeStep("a", 100, 0, { { 1, 10 } }), makeStep("b", 100, 0, {}) } }));
    EXPECT_EQ(modified.count(), 1);

    ASSERT_TRUE(BundleLanguage::setLanguage("zh-Hant"));
    QSignalSpy headers(&model, &SequenceModel::headerDataChanged);
    model.retranslate();
    ASSERT_EQ(headers.count(), 1);
    EXPECT_EQ(headers.at(0).at(2).toInt(), model.columnCount() - 1);
    EXPECT_EQ(model.headerData(SequenceModel::FirstServoColumn + 1, Qt::Horizontal).toString(), "5");
    const QString servo5 = model.headerData(SequenceModel::FirstServoColumn + 1, Qt::Horizontal, Qt::ToolTipRole).toString();
    EXPECT_TRUE(servo5.contains("5") && !servo5.contains("%@")) << servo5.toStdString();
    EXPECT_EQ(model.headerData(SequenceModel::NameColumn, Qt::Horizontal, Qt::AccessibleTextRole).toString(), QStringLiteral("名稱"));
}

TEST_F(SequenceModelTest, ThePlayingRowAloneIsHighlightedAndOnlyItsRowsAreRepainted)
{
    model.setServoIds({ 1 });
    for (int i = 0; i < 3; ++i)
        model.appendStep({ { 1, i } });
    QSignalSpy changed(&model, &SequenceModel::dataChanged);
    const auto changedRows = [&changed] {
        QList<int> rows;
        for (const QList<QVariant>& signal : changed) {
            const QModelIndex first = signal.at(0).toModelIndex();
            const QModelIndex last = signal.at(1).toModelIndex();
            EXPECT_EQ(first.row(), last.row());
            rows.append(first.row());
        }
        changed.clear();
        return rows;
    };

    model.setPlayingRow(1);
    EXPECT_EQ(changedRows(), QList<int>({ 1 }));
    model.setPlayingRow(2);
    EXPECT_EQ(changedRows(), QList<int>({ 1, 2 }));
    model.setPlayingRow(2);
    EXPECT_EQ(changedRows(), QList<int>());
    for (int row = 0; row < 3; ++row) {
        const QVariant background = model.index(row, SequenceModel::FirstServoColumn).data(Qt::BackgroundRole);
        EXPECT_EQ(background.isValid(), row == 2) << row;
        EXPECT_EQ(model.index(row, 0).data(Qt::FontRole).value<QFont>().bold(), row == 2) << row;
    }
    EXPECT_EQ(model.index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 214, 153));
    model.setPlayingRow(-1);
    EXPECT_EQ(changedRows(), QList<int>({ 2 }));
    EXPECT_EQ(model.playingRow(), -1);
}

TEST_F(SequenceModelTest, EditorsStayWithinTheFileRangesAndTheDashClearsAPosition)
{
    model.setMotion(Motion { 1, { makeStep("a", 100, 0, { { 1, 10 } }) } });
    SequenceDelegate delegate;
    QWidget parent;
    auto* time = qobject_cast<QSpinBox*>(delegate.createEditor(&parent, {}, model.index(0, SequenceModel::TimeColumn)));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(std::pair(time->minimum(), time->maximum()), std::pair(0, MotionFile::maximumTimeMs));
    auto* name = qobject_cast<QLineEdit*>(delegate.createEditor(&parent, {}, model.index(0, SequenceModel::NameColumn)));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->maxLength(), SequenceModel::maximumNameLength);

    const QModelIndex position = model.index(0, SequenceModel::FirstServoColumn);
    auto* spin = qobject_cast<QSpinBox*>(delegate.createEditor(&parent, {}, position));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->maximum(), MotionFile::maximumPosition);
    delegate.setEditorData(spin, position);
    EXPECT_EQ(spin->value(), 10);
    spin->setValue(spin->minimum());
    EXPECT_EQ(spin->text(), SequenceDelegate::noPositionText());
    delegate.setModelData(spin, &model, position);
    EXPECT_FALSE(model.step(0).positions.contains(1));
    delegate.setEditorData(spin, position);
    EXPECT_EQ(spin->value(), spin->minimum());
}

// The curve is chosen from a list that names the three curves in the language in force; what is
// chosen is what the file keeps, and a file's curves come back into the table as they were.
TEST_F(SequenceModelTest, TheCurveIsChosenFromItsListAndKeptInTheFile)
{
    model.setMotion(Motion { 1, { makeStep("a", 300, 0, { { 1, 10 } }), makeStep("b", 300, 0, { { 1, 20 } }) } });
    SequenceDelegate delegate;
    QWidget parent;
    const QModelIndex curve = model.index(1, SequenceModel::CurveColumn);
    const struct {
        const char* language;
        QStringList shown;
    } languages[] = {
        { "en", { "Linear", "Ease", "Through" } },
        { "zh-Hans", { "直线", "缓入缓出", "平滑经过" } },
        { "zh-Hant", { "直線", "緩入緩出", "平滑經過" } },
    };
    for (const auto& l : languages) {
        ASSERT_TRUE(BundleLanguage::setLanguage(l.language));
        auto* list = qobject_cast<QComboBox*>(delegate.createEditor(&parent, {}, curve));
        ASSERT_NE(list, nullptr) << l.language;
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items.append(list->itemText(i));
        EXPECT_EQ(items, l.shown) << l.language;
        delegate.setEditorData(list, curve);
        EXPECT_EQ(list->currentIndex(), 0) << "a step without a curve is linear";
        list->setCurrentIndex(2);
        delegate.setModelData(list, &model, curve);
        EXPECT_EQ(curve.data().toString(), l.shown[2]) << l.language;
        model.setData(curve, QStringLiteral("linear"));
    }
    ASSERT_TRUE(BundleLanguage::setLanguage("en"));
    EXPECT_FALSE(model.setData(curve, QStringLiteral("smooth")));
    EXPECT_FALSE(model.setData(curve, 2)) << "a curve is named, not numbered";
    ASSERT_TRUE(model.setData(model.index(0, SequenceModel::CurveColumn), QStringLiteral("ease")));
    ASSERT_TRUE(model.setData(curve, QStringLiteral("through")));
    EXPECT_EQ(model.headerData(SequenceModel::CurveColumn, Qt::Horizontal).toString(), "Curve");

    const QByteArray saved = MotionFile::document(model.motion());
    EXPECT_TRUE(saved.contains(R"("positions": {"1": 10}, "curve": "ease"})")) << saved.toStdString();
    const Result<Motion> opened = MotionFile::parse(saved, "curves.json");
    ASSERT_TRUE(opened.ok()) << opened.failure().message.toStdString();
    SequenceModel reopened;
    reopened.setMotion(*opened);
    EXPECT_EQ(reopened.index(0, SequenceModel::CurveColumn).data().toString(), "Ease");
    EXPECT_EQ(reopened.index(1, SequenceModel::CurveColumn).data(Qt::EditRole).toString(), "through");
    EXPECT_EQ(reopened.motion(), model.motion());
}

}  // namespace

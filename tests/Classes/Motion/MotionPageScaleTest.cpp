// The Motion page with a robot's 18 servos in the window: after a scan, every value of the servo list
// and of the sequence table fits its cell at the window's size, the step's name, time and pause stay in
// view while the servo columns scroll (and are edited from the keyboard there), the position plot draws
// the servos selected in the list in the list's colours or by default the first six of the sequence,
// and the status line is a status bar named by its text for assistive technology.
#include "Classes/View/PageControls/FrozenColumnsTableView.h"
#include "Classes/Motion/HealthPlot.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Tools/SVButton.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/AccessibilityEventRecorder.h"
#include "support/ui/ControllerHarness.h"

#include <QAccessible>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <numeric>

namespace {

QList<int> oneTo(int last)
{
    QList<int> ids(last);
    std::iota(ids.begin(), ids.end(), 1);
    return ids;
}

// The room a cell's content needs (check box, swatch, text in its font), as the view's delegate
// measures it for the view's font and icon size.
int neededWidth(const QTableView* view, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.widget = view;
    option.font = view->font();
    option.decorationSize = view->iconSize();
    return view->itemDelegateForIndex(index)->sizeHint(option, index).width();
}

// Every cell and header of the view shows its whole text inside the view's viewport.
void expectEveryValueFits(const QTableView* view, int firstColumn = 0)
{
    const QAbstractItemModel* model = view->model();
    const QHeaderView* header = view->horizontalHeader();
    for (int column = firstColumn; column < model->columnCount(); ++column) {
        if (view->isColumnHidden(column))
            continue;
        const QString name = model->headerData(column, Qt::Horizontal).toString();
        EXPECT_LE(header->sectionSizeHint(column), header->sectionSize(column)) << "the header " << qPrintable(name) << " is cut";
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            EXPECT_LE(neededWidth(view, index), view->columnWidth(column))
                << "\"" << qPrintable(index.data().toString()) << "\" is cut in column " << qPrintable(name);
        }
    }
}

class MotionPageScaleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int servo = 0; servo < servoIds.size(); ++servo) {
            harness.servo().setPosition(1000, servo);  // the widest values
            harness.servo().setVoltageMillivolts(12600, servo);
            harness.servo().setTemperature(100, servo);
        }
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        harness.controller().showMotionPage();
        page()->buttonScan()->click();
        ASSERT_TRUE(waitForCondition([&] { return page()->servoModel()->rowCount() == 18 && page()->buttonScan()->isEnabled(); }, 30000))
            << "the scan did not list 18 servos: " << qPrintable(page()->statusLabel()->text());
        ASSERT_TRUE(waitForCondition([&] { return page()->servoModel()->index(17, ServoListModel::TorqueColumn).data().toString()
                                                  != ServoListModel::unknownText(); }))
            << "the list shows no values";
    }

    MotionPage* page() { return harness.controller().viewMotion(); }

    // Three steps at the widest times and positions, the first being played (in bold).
    void fillSequence()
    {
        Motion motion;
        for (int step = 1; step <= 3; ++step) {
            MotionStep made { QStringLiteral("step %1").arg(step), MotionFile::maximumTimeMs, MotionFile::maximumTimeMs, {} };
            for (int id : servoIds)
                made.positions.insert(id, MotionFile::maximumPosition);
            motion.steps.append(made);
        }
        page()->sequenceModel()->setMotion(motion);
        page()->sequenceModel()->setPlayingRow(0);
        QCoreApplication::processEvents();
    }

    const QList<int> servoIds = oneTo(18);
    ControllerHarness harness { true, servoIds };
};

TEST_F(MotionPageScaleTest, EveryValueOfTheListAndTheTableFitsItsCell)
{
    const QTableView* list = page()->servoView();
    expectEveryValueFits(list);
    ASSERT_TRUE(list->verticalScrollBar()->isVisible()) << "18 rows fit without scrolling: the test shows less than it should";
    for (int column = 0; column < ServoListModel::ColumnCount; ++column)  // it never scrolls sideways
        EXPECT_LE(list->columnViewportPosition(column) + list->columnWidth(column), list->viewport()->width())
            << "column " << column << " reaches beyond the panel";

    fillSequence();
    auto* table = qobject_cast<FrozenColumnsTableView*>(page()->sequenceView());
    ASSERT_NE(table, nullptr);
    expectEveryValueFits(table);
    EXPECT_GT(table->horizontalScrollBar()->maximum(), 0) << "18 servo columns fit without scrolling: the test shows nothing";
}

TEST_F(MotionPageScaleTest, NameTimePauseAndCurveStayInViewAndAreEditedWhileTheServoColumnsScroll)
{
    fillSequence();
    auto* table = qobject_cast<FrozenColumnsTableView*>(page()->sequenceView());
    ASSERT_NE(table, nullptr);
    const SequenceModel* model = page()->sequenceModel();
    const int frozenWidth = table->frozenWidth();
    int frozenColumnsWidth = 0;
    for (int column = 0; column < SequenceModel::FirstServoColumn; ++column)
        frozenColumnsWidth += table->columnWidth(column);
    EXPECT_EQ(frozenWidth, frozenColumnsWidth);
    table->setFocus();
    table->setCurrentIndex(model->index(1, model->columnCount() - 1));
    ASSERT_GT(table->horizontalScrollBar()->value(), 0) << "the last servo's column did not scroll into view";

    // Leftwards through every servo's column: each comes out from beneath the frozen columns.
    for (int column = model->columnCount() - 2; column >= SequenceModel::FirstServoColumn; --column) {
        QTest::keyClick(table, Qt::Key_Left);
        ASSERT_EQ(table->currentIndex().column(), column);
        EXPECT_GE(table->visualRect(table->currentIndex()).left(), frozenWidth) << "column " << column << " is hidden";
        EXPECT_LE(table->visualRect(table->currentIndex()).right(), table->viewport()->width());
    }
    const QTableView* frozen = table->frozenView();
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_EQ(frozen->width(), frozenWidth + 1);
    for (int column = 0; column < model->columnCount(); ++column)
        EXPECT_EQ(frozen->isColumnHidden(column), column >= SequenceModel::FirstServoColumn) << column;

    // Scrolled right, the pause is still typed into where it shows.
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    QTest::keyClick(table, Qt::Key_Left);
    ASSERT_EQ(table->currentIndex().column(), int(SequenceModel::CurveColumn));
    QTest::keyClick(table, Qt::Key_Left);
    ASSERT_EQ(table->currentIndex().column(), int(SequenceModel::PauseColumn));
    EXPECT_EQ(table->horizontalScrollBar()->value(), table->horizontalScrollBar()->maximum()) << "a frozen column scrolled the table";
    QTest::keyClick(table, Qt::Key_2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(frozen->isAncestorOf(editor)) << "the editor opened beneath the frozen columns";
    QTest::keyClick(editor, Qt::Key_5);
    QTest::keyClick(editor, Qt::Key_Return);  // the editor closes on the next turn of the event loop
    EXPECT_TRUE(waitForCondition([&] { return model->step(1).pauseMs == 25; })) << "the pause typed was not kept";
    EXPECT_TRUE(table->hasFocus()) << "the keyboard did not come back to the table";
}

TEST_F(MotionPageScaleTest, ThePlotDrawsTheSelectedServosInTheListsColoursOrTheFirstSixOfTheSequence)
{
    const ServoListModel* servos = page()->servoModel();
    const PositionPlot* plot = page()->positionPlot();
    EXPECT_EQ(plot->servoIds(), oneTo(6));
    page()->servoModel()->setChecked(2, false);
    EXPECT_EQ(plot->servoIds(), QList<int>({ 1, 3, 4, 5, 6, 7 })) << "the default is not the first six of the sequence";

    QTableView* list = page()->servoView();
    const auto click = [list](int row, Qt::KeyboardModifiers modifiers) {
        list->scrollTo(list->model()->index(row, ServoListModel::PositionColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualRect(list->model()->index(row, ServoListModel::PositionColumn)).center());
    };
    click(servos->rowOf(14), Qt::NoModifier);
    click(servos->rowOf(9), Qt::ControlModifier);
    click(servos->rowOf(2), Qt::ControlModifier);  // out of the sequence, but chosen
    EXPECT_EQ(plot->servoIds(), QList<int>({ 2, 9, 14 }));
    for (int id : plot->servoIds()) {
        const QColor swatch = servos->index(servos->rowOf(id), ServoListModel::IdColumn).data(Qt::DecorationRole).value<QColor>();
        EXPECT_EQ(plot->positionGraph(id)->pen().color(), swatch) << "servo " << id;
        EXPECT_EQ(plot->targetGraph(id)->pen().color(), swatch) << "servo " << id;
    }
    EXPECT_EQ(page()->healthPlot()->servo(), 2) << "the health plot does not follow the current row";

    list->clearSelection();
    EXPECT_EQ(plot->servoIds(), QList<int>({ 1, 3, 4, 5, 6, 7 }));

    // 18 swatches that can be told apart.
    for (int a = 0; a < servos->rowCount(); ++a) {
        for (int b = a + 1; b < servos->rowCount(); ++b) {
            const QColor one = servos->colourOf(servos->idAt(a));
            const QColor other = servos->colourOf(servos->idAt(b));
            const double distance = std::hypot(one.red() - other.red(), one.green() - other.green(), one.blue() - other.blue());
            EXPECT_GE(distance, 50) << "rows " << a << " and " << b << " look alike";
        }
    }
}

TEST_F(MotionPageScaleTest, TheStatusLineIsAStatusBarNamedByItsTextAndAnnouncesEachChange)
{
    StatusLine* status = page()->statusLabel();
    AccessibilityEventRecorder recorder;
    page()->buttonScan()->click();
    ASSERT_TRUE(waitForCondition([&] { return page()->buttonScan()->isEnabled() && status->text().contains(QStringLiteral("18")); }, 30000))
        << qPrintable(status->text());
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(status);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->role(), QAccessible::StatusBar);
    EXPECT_EQ(element->text(QAccessible::Name), status->text());
    EXPECT_EQ(element->text(QAccessible::Description), harness.localized(QStringLiteral("motion_status")));
    QStringList announced;
    for (const AccessibilityEventRecorder::Event& event : recorder.eventsOf(QAccessible::NameChanged))
        if (event.object == status)
            announced.append(event.name);
    ASSERT_FALSE(announced.isEmpty()) << "no change of the status line was announced";
    EXPECT_TRUE(announced.first().startsWith(harness.localized(QStringLiteral("motion_scanning")).section(u'%', 0, 0)))
        << qPrintable(announced.first());
    EXPECT_EQ(announced.last(), status->text());
}

}  // namespace

// The Robot page end to end, in the window, over a pseudo-terminal to a virtual bus of servos 1, 2
// and 7 whose stored settings differ: the scan and the read fill the table; after editing two servos,
// Write changes sends only their changed settings, after a backup of each, and marks the value that
// one of them read back otherwise; Record range switches the torque off and on again and offers the
// range seen, narrowed by the margin, as new angle limits. What is typed into a cell and what a robot
// file holds is refused with a message when it breaks a rule, never cut to fit.
#include "Api/Bus/Protocol.h"
#include "Api/Bus/SettingsFile.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/Robot/RobotModel.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/Robot/ServoNames.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "Tools/SettingsStore.h"
#include "support/core/EventLoopWait.h"
#include "support/core/ServoNameCases.h"
#include "support/ui/ControllerHarness.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace SVProtocol;

const QList<int> busIds{1, 2, 7};
const QList<int> writeCommands{Move, WriteId, AdjustDeviation, SaveDeviation, WriteAngleLimit, WriteVoltageLimit,
                               WriteMaxTemperature, ModeAndSpeed, WriteMotorLoad, WriteLed, WriteLedAlarm};

class RobotPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        const QList<VirtualServo::Settings> robot = VirtualServo::robotServosWithIds(busIds);
        for (int index = 0; index < busIds.size(); ++index)
            harness.servo().setSettings(robot[index], index);
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        harness.controller().showRobotPage();
        page()->buttonScan()->click();
        ASSERT_TRUE(waitForCondition([&] {
            return model()->rowCount() == 3 && model()->hasStored(1) && model()->hasStored(2) && model()->hasStored(7)
                && page()->buttonWrite()->isEnabled();
        }, 15000)) << "the scan and read did not fill the table: " << qPrintable(page()->statusLabel()->text());
    }
    void TearDown() override
    {
        qunsetenv("XDG_DATA_HOME");
        ServoNames::shared().setNames({});
    }

    RobotPage* page() { return harness.controller().viewRobot(); }
    RobotModel* model() { return page()->model(); }
    VirtualServo::Settings stored(int id) { return harness.servo().settings(int(busIds.indexOf(id))); }
    QModelIndex cell(int id, const QString& key) { return model()->index(model()->rowOf(id), RobotModel::columnOf(key)); }
    QModelIndex nameCell(int id) { return model()->index(model()->rowOf(id), RobotModel::NameColumn); }
    QString status() { return page()->statusLabel()->text(); }
    // The fixed start of a localized text, before its first value.
    static QString opening(const char* key) { return ControllerHarness::localized(QLatin1String(key)).section(u'%', 0, 0); }

    // Types text into a cell's editor as the user does after F2 (a name as pasted), then, after
    // whileOpen, presses Enter.
    void typeInto(QTableView* view, const QModelIndex& index, const QString& text, const std::function<void()>& whileOpen = {})
    {
        view->edit(index);
        QWidget* editor = view->indexWidget(index);
        ASSERT_NE(editor, nullptr) << "no editor opened";
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->selectAll();
            line->insert(text);
        } else {
            ASSERT_NE(qobject_cast<QAbstractSpinBox*>(editor), nullptr);
            qobject_cast<QAbstractSpinBox*>(editor)->selectAll();
            QTest::keyClicks(editor, text);
        }
        if (whileOpen)
            whileOpen();
        ASSERT_EQ(view->indexWidget(index), editor) << "the editor closed before Enter";
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(waitForCondition([&] { return view->indexWidget(index) == nullptr; })) << "the editor stayed open";
    }

    // A robot file of these servo objects.
    void writeRobotFile(const QString& path, const QJsonArray& servos)
    {
        const QJsonObject root{{"format", "servodesk-servo-settings"}, {"version", 1}, {"servos", servos}};
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(QJsonDocument(root).toJson());
    }

    // The write frames each servo received since the records were cleared, as (ID, command).
    QSet<QPair<int, int>> writesSent() const
    {
        QSet<QPair<int, int>> writes;
        for (const QByteArray& frame : harness.receivedFrames())
            if (writeCommands.contains(commandOf(frame)))
                writes.insert({quint8(frame.at(2)), commandOf(frame)});
        return writes;
    }

    // The torque switch frames sent to id, on (true) or off, in order.
    QList<bool> torqueFrames(int id) const
    {
        QList<bool> switches;
        for (const QByteArray& frame : harness.receivedFramesWithCommand(WriteMotorLoad))
            if (quint8(frame.at(2)) == id)
                switches.append(switchIsOn(quint8(parametersOf(frame).at(0))));
        return switches;
    }

    QTemporaryDir dataHome;
    ControllerHarness harness{true, busIds};
};

TEST_F(RobotPageTest, WritesOnlyTheEditedServosChangedSettingsAfterBackupsAndMarksWhatReadsBackOtherwise)
{
    for (int id : busIds) {
        EXPECT_EQ(model()->value(id, "angle_max"), stored(id).angleMax) << "servo " << id;
        EXPECT_EQ(model()->value(id, "deviation"), stored(id).deviation) << "servo " << id;
        EXPECT_EQ(model()->value(id, "voltage_max"), stored(id).voltageMaxMillivolts) << "servo " << id;
    }
    const VirtualServo::Settings before2 = stored(2), before7 = stored(7);

    // Keyboard edits reach the model as these calls: servo 2's upper limit and LED, servo 7's upper
    // limit and voltage; a value out of range is refused.
    EXPECT_TRUE(model()->setData(cell(2, "angle_max"), 900));
    EXPECT_TRUE(model()->setData(cell(2, "led"), before2.ledOn ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model()->setData(cell(7, "angle_max"), 850));
    EXPECT_TRUE(model()->setData(cell(7, "voltage_max"), 8.8));
    EXPECT_FALSE(model()->setData(cell(7, "max_temperature"), 140));
    EXPECT_EQ(model()->data(cell(2, "angle_max"), Qt::BackgroundRole).value<QColor>(), RobotModel::editedColor());
    EXPECT_FALSE(model()->isEdited(1, "angle_max"));

    // Servo 7 takes its angle limits but keeps the old upper one, as a faulty servo would.
    QObject::connect(&harness.servo(), &VirtualServo::frameReceived, &harness.servo(), [&](const QByteArray& frame) {
        if (quint8(frame.at(2)) == 7 && commandOf(frame) == WriteAngleLimit) {
            const int index = int(busIds.indexOf(7));
            VirtualServo::Settings kept = harness.servo().settings(index);
            kept.angleMax = before7.angleMax;
            harness.servo().setSettings(kept, index);
        }
    }, Qt::DirectConnection);
    harness.servo().clearRecords();
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return !model()->differingKeys(7).isEmpty() && page()->buttonWrite()->isEnabled(); }, 10000))
        << qPrintable(page()->statusLabel()->text());

    const QSet<QPair<int, int>> expected{{2, WriteAngleLimit}, {2, WriteLed}, {7, WriteAngleLimit}, {7, WriteVoltageLimit}};
    EXPECT_EQ(writesSent(), expected) << "only the edited servos' changed settings go out, never to servo 1 or the broadcast ID";
    EXPECT_EQ(stored(2).angleMax, 900);
    EXPECT_EQ(stored(2).ledOn, !before2.ledOn);
    EXPECT_EQ(stored(7).voltageMaxMillivolts, 8800);

    // A backup of each changed servo, holding its settings from before.
    const QString folder = dataHome.path() + QStringLiteral("/servodesk/backups");
    QMap<int, SettingValues> backups;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const auto values = SettingsFile::read(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(values) << qPrintable(values.failure().message);
        backups.insert(values->first().value("id"), values->first());
    }
    ASSERT_EQ(backups.keys(), (QList<int>{2, 7}));
    EXPECT_EQ(backups[2].value("angle_max"), before2.angleMax);
    EXPECT_EQ(backups[7].value("voltage_max"), before7.voltageMaxMillivolts);

    // Written values lose their marks; the one read back otherwise is marked and named.
    EXPECT_FALSE(model()->isEdited(2, "angle_max"));
    EXPECT_FALSE(model()->isEdited(7, "voltage_max"));
    EXPECT_EQ(model()->differingKeys(7), QStringList{"angle_max"});
    EXPECT_EQ(model()->data(cell(7, "angle_max"), Qt::BackgroundRole).value<QColor>(), RobotModel::differsColor());
    // Said in words, by the column titles, on a status line that assistive technology reads.
    const QString differs = QStringLiteral("7 (%1)").arg(harness.localized("robot_col_angle_max"));
    EXPECT_TRUE(status().contains(differs)) << qPrintable(status());
    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(page()->statusLabel());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->role(), QAccessible::StatusBar);
    EXPECT_EQ(line->text(QAccessible::Name), status());
    EXPECT_EQ(line->text(QAccessible::Description), harness.localized("robot_status"));
    EXPECT_EQ(harness.servo().collisionCount(), 0);
}

TEST_F(RobotPageTest, AFailedBackupSendsNothingAndAnUnplugMidWriteSaysWhatWasWritten)
{
    EXPECT_TRUE(model()->setData(cell(2, "angle_max"), 900));
    EXPECT_TRUE(model()->setData(cell(2, "led"), stored(2).ledOn ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model()->setData(cell(7, "angle_max"), 850));

    // The backup folder cannot be made: a file stands where it would go.
    QFile blocker(dataHome.filePath("servodesk"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    harness.servo().clearRecords();
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return page()->statusLabel()->text().contains(harness.localized("robot_write_refused").section('%', 0, 0)); }))
        << qPrintable(page()->statusLabel()->text());
    EXPECT_TRUE(writesSent().isEmpty()) << "a write went out without its backup";
    EXPECT_TRUE(model()->isEdited(2, "angle_max"));
    ASSERT_TRUE(blocker.remove());

    // The adapter goes once servo 2's LED frame, of the second round, is out.
    harness.servo().setUnplugOnCommand(WriteLed);
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return page()->statusLabel()->text().contains(harness.localized("robot_port_gone")); }, 10000))
        << qPrintable(page()->statusLabel()->text());
    const QString min = harness.localized("robot_col_angle_min"), max = harness.localized("robot_col_angle_max");
    EXPECT_TRUE(status().contains(QStringLiteral("2 (%1, %2, %3)").arg(min, max, harness.localized("robot_col_led")))) << qPrintable(status());
    EXPECT_TRUE(status().contains(QStringLiteral("7 (%1, %2)").arg(min, max))) << qPrintable(status());
    EXPECT_EQ(stored(2).angleMax, 900);
}

TEST_F(RobotPageTest, ATrimMovesAtOnceWriteStoresItAndCentreMovesEveryServoTo500)
{
    const int storedOffset = stored(2).deviation;
    harness.servo().clearRecords();
    EXPECT_TRUE(model()->setData(cell(2, "deviation"), -30));
    ASSERT_TRUE(harness.waitForFrames(AdjustDeviation, 1)) << "the trim was not sent at once";
    EXPECT_EQ(deviationFromByte(quint8(parametersOf(harness.receivedFramesWithCommand(AdjustDeviation).first()).at(0))), -30);
    EXPECT_TRUE(harness.receivedFramesWithCommand(SaveDeviation).isEmpty()) << "a trim is not stored before Write changes";

    ASSERT_TRUE(waitForCondition([&] { return page()->buttonWrite()->isEnabled(); })) << "the trim never ended";
    page()->buttonWrite()->click();
    ASSERT_TRUE(harness.waitForFrames(SaveDeviation, 1)) << qPrintable(page()->statusLabel()->text());
    ASSERT_TRUE(waitForCondition([&] { return !model()->isEdited(2, "deviation"); })) << qPrintable(page()->statusLabel()->text());
    EXPECT_TRUE(stored(2).deviationSaved);
    EXPECT_EQ(stored(2).deviation, -30);
    const QString folder = dataHome.path() + QStringLiteral("/servodesk/backups");
    const QStringList backups = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(SettingsFile::read(folder + QLatin1Char('/') + backups.first())->first().value("deviation"), storedOffset)
        << "the backup holds the stored offset, not the trim";

    harness.servo().clearRecords();
    ASSERT_TRUE(waitForCondition([&] { return page()->buttonCentre()->isEnabled(); })) << "the write never ended";
    page()->buttonCentre()->click();
    ASSERT_TRUE(harness.waitForFrames(Move, 3));
    for (const QByteArray& frame : harness.receivedFramesWithCommand(Move)) {
        EXPECT_TRUE(busIds.contains(quint8(frame.at(2)))) << "a move went to ID " << int(quint8(frame.at(2)));
        EXPECT_EQ(wordFrom(quint8(parametersOf(frame).at(0)), quint8(parametersOf(frame).at(1))), 500);
    }
}

// The servo reports an offset sent live as its own until it is stored: a Read must not take it for
// the stored one, or the trim is never stored.
TEST_F(RobotPageTest, ATrimSentLiveStaysAChangeAfterReadAndWriteStoresIt)
{
    const int storedOffset = stored(2).deviation;
    ASSERT_NE(storedOffset, 20);
    harness.servo().clearRecords();
    EXPECT_TRUE(model()->setData(cell(2, "deviation"), 20));
    ASSERT_TRUE(harness.waitForFrames(AdjustDeviation, 1)) << "the trim was not sent at once";

    ASSERT_TRUE(waitForCondition([&] { return page()->buttonRead()->isEnabled(); })) << "the trim never ended";
    page()->buttonRead()->click();
    ASSERT_TRUE(harness.waitForFrames(ReadDeviation, 3)) << "Read did not read the offsets";
    ASSERT_TRUE(waitForCondition([&] { return page()->buttonWrite()->isEnabled(); })) << qPrintable(status());
    EXPECT_TRUE(model()->isEdited(2, "deviation")) << "Read took the trim sent for the stored offset";
    EXPECT_EQ(model()->value(2, "deviation"), 20);

    page()->buttonWrite()->click();
    ASSERT_TRUE(harness.waitForFrames(SaveDeviation, 1)) << qPrintable(status());
    ASSERT_TRUE(waitForCondition([&] { return !model()->isEdited(2, "deviation"); })) << qPrintable(status());
    EXPECT_TRUE(stored(2).deviationSaved);
    EXPECT_EQ(stored(2).deviation, 20);
    const QString folder = dataHome.path() + QStringLiteral("/servodesk/backups");
    const QStringList backups = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(SettingsFile::read(folder + QLatin1Char('/') + backups.first())->first().value("deviation"), storedOffset)
        << "the backup holds the stored offset, not the trim";
}

// Typed into the cells' own editors: nothing is cut to fit, and an offset moves the joint only when valid.
TEST_F(RobotPageTest, AValueOutOfItsRangeIsRefusedWithTheRangeAndAnOffsetGoesOutOnlyOnceValid)
{
    struct Typed {
        int id;
        const char* key;
        const char* text;
        const char* lowest;
        const char* highest;
    };
    const Typed refused[] = {
        {7, "angle_max", "5000", "1", "1000"},
        {7, "max_temperature", "1000", "50", "100"},
        {2, "deviation", "200", "-125", "125"},
        {2, "voltage_max", "20", "4.6", "14"},
        {1, "angle_min", "-5", "0", "999"},
    };
    harness.servo().clearRecords();
    for (const Typed& typed : refused) {
        const std::optional<int> before = model()->value(typed.id, typed.key);
        typeInto(page()->table(), cell(typed.id, typed.key), typed.text);
        EXPECT_EQ(model()->value(typed.id, typed.key), before) << typed.key << " " << typed.text;
        EXPECT_FALSE(model()->isEdited(typed.id, typed.key)) << typed.key << " " << typed.text;
        const QString title = harness.localized(QStringLiteral("robot_col_") + QLatin1String(typed.key));
        EXPECT_EQ(status().toStdString(),
                  BundleLanguage::withValues(harness.localized("robot_out_of_range"), {title, typed.lowest, typed.highest, typed.text}).toStdString());
    }

    // The live values read meanwhile leave what is typed alone.
    typeInto(page()->table(), cell(2, "deviation"), "20", [&] {
        harness.servo().setPosition(321, int(busIds.indexOf(2)));
        const QModelIndex position = model()->index(model()->rowOf(2), RobotModel::PositionColumn);
        ASSERT_TRUE(waitForCondition([&] { return model()->data(position).toString() == "321"; })) << "no live read";
    });
    ASSERT_TRUE(harness.waitForFrames(AdjustDeviation, 1)) << "a valid offset was not sent";
    const QList<QByteArray> sent = harness.receivedFramesWithCommand(AdjustDeviation);
    ASSERT_EQ(sent.size(), 1) << "an offset out of range went to the servo";
    EXPECT_EQ(deviationFromByte(quint8(parametersOf(sent.first()).at(0))), 20);
    EXPECT_EQ(model()->value(2, "deviation"), 20);
}

// One rule for names, typed into the Name cell, saved and opened (servoctl restore is checked against
// the same cases); a remembered robot file that breaks it is named at the next start.
TEST_F(RobotPageTest, ANameIsTakenOrRefusedByOneRuleWhenTypedSavedAndOpened)
{
    const QString before = QStringLiteral("before");
    for (const ServoNameCase& named : servoNameCases()) {
        model()->setNames({{2, before}});
        typeInto(page()->table()->frozenView(), nameCell(2), named.name);
        EXPECT_EQ(model()->name(2).toStdString(), (named.taken ? named.name : before).toStdString()) << "typed: " << named.what;
        if (!named.taken) {
            EXPECT_TRUE(status().startsWith(opening("robot_name_refused"))) << named.what << ": " << qPrintable(status());
        }

        // A name that reached the table some other way is not saved into a file that cannot be read.
        const QString saved = dataHome.filePath(QStringLiteral("saved-%1.json").arg(named.what));
        model()->setNames({{2, named.name}});
        page()->saveFile(saved);
        const auto savedEntries = SettingsFile::readRobot(saved);
        EXPECT_EQ(bool(savedEntries), named.taken) << "saved: " << named.what << ": " << qPrintable(status());
        if (savedEntries) {
            EXPECT_EQ(SettingsFile::namesOf(*savedEntries).value(2).toStdString(), named.name.toStdString()) << named.what;
        } else {
            EXPECT_TRUE(status().startsWith(opening("robot_save_failed"))) << named.what << ": " << qPrintable(status());
        }

        const QString opened = dataHome.filePath("opened.json");
        writeRobotFile(opened, QJsonArray{QJsonObject{{"id", 2}, {"name", named.name}}});
        model()->setNames({{2, before}});
        page()->openFile(opened);
        EXPECT_EQ(model()->name(2).toStdString(), (named.taken ? named.name : before).toStdString())
            << "opened: " << named.what << ": " << qPrintable(status());
        if (!named.taken) {
            EXPECT_TRUE(status().startsWith(opening("robot_open_failed"))) << named.what << ": " << qPrintable(status());
        }
    }

    const QString remembered = dataHome.filePath("remembered.json");
    writeRobotFile(remembered, QJsonArray{QJsonObject{{"id", 2}, {"name", "left knee"}}, QJsonObject{{"id", 7}, {"name", "tail\x7f"}}});
    SettingsStore::standard().setValue(RobotPage::robotFileKey, remembered);
    RobotPage restarted;
    EXPECT_TRUE(restarted.statusLabel()->text().startsWith(opening("robot_remembered_unreadable"))) << qPrintable(restarted.statusLabel()->text());
    EXPECT_TRUE(restarted.statusLabel()->text().contains(remembered)) << qPrintable(restarted.statusLabel()->text());
    EXPECT_TRUE(restarted.model()->names().isEmpty());
}

// Open refuses what restore refuses, naming the entry; Save writes back the opened file's servos the
// bus lacks, unchanged and with their names.
TEST_F(RobotPageTest, OpenRefusesWhatRestoreRefusesAndSaveKeepsTheServosItDidNotShow)
{
    const struct {
        const char* file;
        QJsonArray servos;
        const char* refusal;
    } refused[] = {
        {"no-id.json", {QJsonObject{{"id", 2}, {"angle_min", 100}}, QJsonObject{{"angle_min", 120}}}, "servo #2 has no \"id\""},
        {"twice.json", {QJsonObject{{"id", 2}, {"angle_min", 100}}, QJsonObject{{"id", 7}}, QJsonObject{{"id", 2}, {"angle_min", 120}}},
         "servo #1 and servo #3 both name ID 2"},
    };
    for (const auto& file : refused) {
        writeRobotFile(dataHome.filePath(file.file), file.servos);
        page()->openFile(dataHome.filePath(file.file));
        EXPECT_TRUE(status().startsWith(opening("robot_open_failed"))) << qPrintable(status());
        EXPECT_TRUE(status().contains(QLatin1String(file.refusal))) << qPrintable(status());
        EXPECT_FALSE(model()->isEdited(2, "angle_min")) << file.file << ": a refused file changes nothing";
    }

    const QString robot = dataHome.filePath("robot.json");
    writeRobotFile(robot, {QJsonObject{{"id", 2}, {"angle_min", 150}, {"name", "left knee"}},
                           QJsonObject{{"id", 9}, {"angle_min", 100}, {"angle_max", 900}, {"name", "tail"}},
                           QJsonObject{{"id", 12}, {"led", false}}});
    page()->openFile(robot);
    EXPECT_EQ(status().toStdString(), BundleLanguage::withValues(harness.localized("robot_opened_missing"), {"robot.json", "9, 12"}).toStdString());

    const QString saved = dataHome.filePath("saved.json");
    page()->saveFile(saved);
    const auto entries = SettingsFile::readRobot(saved);
    ASSERT_TRUE(entries) << qPrintable(entries.failure().message);
    QList<int> ids;
    for (const SettingsFile::Entry& entry : *entries)
        ids.append(entry.id());
    ASSERT_EQ(ids, (QList<int>{1, 2, 7, 9, 12}));
    EXPECT_EQ(entries->at(1).values.value("angle_min"), 150);
    EXPECT_EQ(entries->at(1).name.toStdString(), "left knee");
    EXPECT_EQ(entries->at(3).values, (SettingValues{{"id", 9}, {"angle_min", 100}, {"angle_max", 900}}));
    EXPECT_EQ(entries->at(3).name.toStdString(), "tail");
    EXPECT_EQ(entries->at(4).values, (SettingValues{{"id", 12}, {"led", 0}}));
}

TEST_F(RobotPageTest, NamesShowOnTheMotionPageAndComeBackFromTheRobotFile)
{
    // The Robot page's scan listed the servos on the Motion page too.
    ServoListModel* motionList = harness.controller().viewMotion()->servoModel();
    ASSERT_EQ(motionList->ids(), busIds);
    EXPECT_TRUE(model()->setData(model()->index(model()->rowOf(2), RobotModel::NameColumn), "left knee"));
    EXPECT_EQ(motionList->data(motionList->index(motionList->rowOf(2), ServoListModel::IdColumn)).toString(), "2 left knee");
    SequenceModel* sequence = harness.controller().viewMotion()->sequenceModel();
    EXPECT_EQ(sequence->headerData(SequenceModel::FirstServoColumn + 1, Qt::Horizontal, Qt::ToolTipRole).toString(), "left knee");

    EXPECT_TRUE(model()->setData(cell(7, "angle_min"), 300));
    const QString path = dataHome.filePath("robot.json");
    page()->saveFile(path);
    const auto saved = SettingsFile::readEntries(path);
    ASSERT_TRUE(saved) << qPrintable(saved.failure().message);
    ASSERT_EQ(saved->size(), 3);
    EXPECT_EQ(saved->at(1).name, "left knee");
    EXPECT_EQ(saved->at(2).values.value("angle_min"), 300) << "the file holds the table as shown";

    model()->setNames({});
    model()->setEdit(7, "angle_min", stored(7).angleMin);
    EXPECT_FALSE(model()->isEdited(7, "angle_min"));
    page()->openFile(path);
    EXPECT_EQ(model()->name(2), "left knee");
    EXPECT_TRUE(model()->isEdited(7, "angle_min")) << "a file's value waits for Write changes";
}

TEST_F(RobotPageTest, RecordRangeSwitchesTheTorqueOffThenOnAndOffersTheNarrowedRangeAsLimits)
{
    harness.servo().clearRecords();
    page()->table()->selectionModel()->select(model()->index(model()->rowOf(2), 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page()->table()->selectionModel()->select(model()->index(model()->rowOf(7), 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page()->buttonRecord()->click();
    ASSERT_TRUE(waitForCondition([&] { return torqueFrames(2) == QList<bool>{false} && torqueFrames(7) == QList<bool>{false}; }))
        << "the torque of the chosen servos did not go off";

    // The joints are moved by hand to both ends.
    for (auto [id, low, high] : {std::tuple{2, 260, 730}, {7, 120, 880}}) {
        const int index = int(busIds.indexOf(id));
        harness.servo().setPosition(low, index);
        ASSERT_TRUE(waitForCondition([&, id = id, low = low] { return model()->ranges().value(id).lowest == low; })) << "servo " << id;
        harness.servo().setPosition(high, index);
        ASSERT_TRUE(waitForCondition([&, id = id, high = high] { return model()->ranges().value(id).highest == high; })) << "servo " << id;
    }
    page()->buttonRecord()->click();  // Stop
    ASSERT_TRUE(waitForCondition([&] { return !page()->isRecording(); })) << qPrintable(page()->statusLabel()->text());

    EXPECT_EQ(torqueFrames(2), (QList<bool>{false, true}));
    EXPECT_EQ(torqueFrames(7), (QList<bool>{false, true}));
    EXPECT_TRUE(torqueFrames(1).isEmpty()) << "servo 1 was not chosen";
    EXPECT_EQ(model()->value(2, "angle_min"), 270);
    EXPECT_EQ(model()->value(2, "angle_max"), 720);
    EXPECT_EQ(model()->value(7, "angle_min"), 130);
    EXPECT_EQ(model()->value(7, "angle_max"), 870);
    EXPECT_TRUE(model()->isEdited(7, "angle_min"));
    EXPECT_FALSE(writesSent().contains({7, WriteAngleLimit})) << "the limits wait for Write changes";
}

}  // namespace

#include "Classes/Robot/RobotPage.h"
#include "Api/Bus/Protocol.h"

#include "Api/Bus/WholeFile.h"
#include "Classes/Robot/AssignPanel.h"
#include "Classes/Robot/RobotDelegate.h"
#include "Classes/Robot/RobotModel.h"
#include "Classes/Robot/ServoNames.h"
#include "Classes/View/PageControls/BusAttachment.h"
#include "Classes/View/PageControls/PageControls.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "Tools/SettingsStore.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int firstServoId = 0;
constexpr int lastServoId = SVProtocol::highestServoId;
constexpr int contentFontPx = 12;
constexpr int rowHeight = 20;
const QColor stopRed(214, 39, 40);

QString textFor(const char* key)
{
    return BundleLanguage::localizedStringForKey(QLatin1String(key));
}

QString textWith(const char* key, const QStringList& values)
{
    return BundleLanguage::withValues(textFor(key), values);
}

template <typename View = QTableView, typename... Arguments>
View* tableView(Arguments... arguments)
{
    auto* view = new View(arguments...);
    PageControls::styleTable(view, QAbstractItemView::ExtendedSelection, contentFontPx, rowHeight);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed);
    view->setStyleSheet(QStringLiteral("QTableView { background: white; border: none; }"));
    return view;
}

QString idList(const QList<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts.append(QString::number(id));
    return texts.join(QStringLiteral(", "));
}

}  // namespace

using PageControls::actionButton;
using PageControls::setActionEnabled;
using PageControls::setPixelFont;

RobotPage::RobotPage(QWidget* parent)
    : SVBackGroundView(2, parent)
    , m_model(new RobotModel(this))
    , m_bus(new BusAttachment(this, refreshIntervalMs, [this](BusWorker* worker) { return connectWorker(worker); }))
{
    connect(m_bus, &BusAttachment::refreshDue, this, &RobotPage::refresh);
    m_panel = new SVToolView(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->addWidget(m_panel);
    buildButtons();
    buildTables();
    connect(m_model, &RobotModel::namesChanged, &ServoNames::shared(), &ServoNames::setNames);
    connect(m_model, &RobotModel::deviationEdited, this, [this](int id, int deviation) {
        if (worker())
            post(BusWorker::Job::Trim, [&](BusWorker::Done done) { worker()->adjustDeviation(id, deviation, std::move(done)); });
    });
    loadRememberedNames();
    retranslate();
    updateButtons();
}

// ---- Building ----

void RobotPage::buildButtons()
{
    const auto button = [this](void (RobotPage::*action)()) {
        SVButton* made = actionButton(m_panel);
        connect(made, &SVButton::clicked, this, action);
        return made;
    };
    m_scan = button(&RobotPage::scan);
    m_read = button(&RobotPage::readSettings);
    m_write = button(&RobotPage::writeChanges);
    m_centre = button(&RobotPage::centre);
    m_record = button(&RobotPage::toggleRecording);
    m_open = button(&RobotPage::chooseFileToOpen);
    m_save = button(&RobotPage::chooseFileToSave);
    // Assign IDs… opens the guided numbering of new servos over the page.
    m_assign = actionButton(m_panel);
    connect(m_assign, &SVButton::clicked, this, &RobotPage::openAssignPanel);
    m_marginLabel = new QLabel(m_panel);
    m_margin = new QSpinBox(m_panel);
    m_margin->setRange(0, 500);
    m_margin->setValue(TaughtRange::defaultMargin);
    m_marginLabel->setBuddy(m_margin);
    setPixelFont(m_marginLabel, contentFontPx);
    setPixelFont(m_margin, contentFontPx);

    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(10, 40, 10, 10);
    layout->setSpacing(6);
    auto* row = new QHBoxLayout;
    row->setSpacing(5);
    for (QWidget* widget : QList<QWidget*>{m_scan, m_read, m_write, m_centre, m_record, m_marginLabel, m_margin})
        row->addWidget(widget);
    row->addStretch(1);
    row->addWidget(m_open);
    row->addWidget(m_save);
    layout->addLayout(row);
}

AssignPanel* RobotPage::openAssignPanel()
{
    if (!m_assignPanel)
        m_assignPanel = new AssignPanel(this);
    m_assignPanel->setBusWorker(worker());
    m_assignPanel->show();
    m_assignPanel->raise();
    m_assignPanel->setFocus();
    return m_assignPanel;
}

// ID and name stay in view on the left while the settings scroll sideways beneath them.
void RobotPage::buildTables()
{
    m_table = tableView<FrozenColumnsTableView>(RobotModel::NameColumn + 1, m_panel);
    m_table->setModel(m_model);
    m_table->setItemDelegates([](QTableView* view) { return new RobotDelegate(view); });
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int column : {int(RobotModel::IdColumn), int(RobotModel::NameColumn)})
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    m_table->setColumnWidth(RobotModel::IdColumn, 32);
    m_table->setColumnWidth(RobotModel::NameColumn, 100);
    auto* layout = static_cast<QVBoxLayout*>(m_panel->layout());
    layout->addWidget(m_table, 1);
    m_status = new StatusLine(m_panel);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setPixelFont(m_status, contentFontPx);
    m_status->setStyleSheet(QStringLiteral("color: rgb(64, 64, 64);"));
    m_status->setMinimumHeight(32);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_assign, 0, Qt::AlignBottom);
    layout->addLayout(bottom);
    connect(m_model, &RobotModel::editRefused, this, &RobotPage::showStatus);
}

QList<QWidget*> RobotPage::tabOrder() const
{
    return {m_scan, m_read, m_write, m_centre, m_record, m_margin, m_open, m_save, m_table, m_assign};
}

void RobotPage::retranslate()
{
    m_panel->lableTitle()->setText(m_filePath.isEmpty() ? textFor("robot_servos")
                                                        : QStringLiteral("%1 — %2").arg(textFor("robot_servos"), QFileInfo(m_filePath).fileName()));
    m_scan->setTitle(textFor("robot_scan"));
    m_read->setTitle(textFor("robot_read"));
    m_write->setTitle(textFor("robot_write"));
    m_centre->setTitle(textFor("robot_centre"));
    m_record->setTitle(textFor(m_recording ? "robot_stop" : "robot_record"));
    m_marginLabel->setText(textFor("robot_margin"));
    m_open->setTitle(textFor("robot_open"));
    m_save->setTitle(textFor("robot_save"));
    m_assign->setTitle(textFor("assign_button"));
    if (m_assignPanel)
        m_assignPanel->retranslate();
    m_model->retranslate();
    nameControls();
}

// Names for assistive technology where a control shows no text of its own.
void RobotPage::nameControls()
{
    m_table->frozenView()->setAccessibleName(textFor("robot_servos"));
    m_table->setAccessibleName(textFor("robot_settings"));
    m_margin->setAccessibleName(textFor("robot_margin"));
    m_status->setCaption(textFor("robot_status"));
}

void RobotPage::showStatus(const QString& text)
{
    m_status->showText(text);
}

// ---- The bus ----

BusWorker* RobotPage::worker() const
{
    return m_bus->worker();
}

void RobotPage::setBusWorker(BusWorker* given)
{
    if (!m_bus->attach(given))
        return;
    const bool writing = isWriting();
    m_pending.clear();
    if (m_recording) {
        m_model->endRanges();
        setRecording(false);
    }
    if (writing)
        emit writingEnded();
    updateButtons();
}

QList<QMetaObject::Connection> RobotPage::connectWorker(BusWorker* w)
{
    return {
        connect(w, &BusWorker::scanned, this, &RobotPage::showScanned),
        connect(w, &BusWorker::scanProgress, this, [this](int asked, int total) {
            showStatus(textWith("robot_scanning", {QStringLiteral("%1/%2").arg(asked).arg(total)}));
        }),
        connect(w, &BusWorker::stateRead, m_model, &RobotModel::setState),
        connect(w, &BusWorker::servoSilent, m_model, &RobotModel::markSilent),
        connect(w, &BusWorker::settingsRead, m_model, &RobotModel::setStored),
        connect(w, &BusWorker::settingsWritten, this, &RobotPage::showWritten),
        connect(w, &BusWorker::rangePositions, m_model, &RobotModel::includePositions),
        connect(w, &BusWorker::rangeStarted, this, &RobotPage::showRangeStarted),
        connect(w, &BusWorker::rangeEnded, this, &RobotPage::showRangeEnded),
        connect(w, &BusWorker::runsUntilStoppedChanged, this, [this](bool runs) {
            if (runs && busTakenElsewhere())
                showStatus(textFor(worker()->jobKeepingBus() == BusWorker::Job::AssignIds ? "bus_taken_assign" : "robot_bus_taken"));
            updateButtons();
        }),
    };
}

void RobotPage::post(BusWorker::Job job, const std::function<void(BusWorker::Done)>& give)
{
    m_pending.append(job);
    give([page = QPointer(this)](const BusWorker::JobEnd& end) {
        if (page)
            page->jobFinished(end.job, end.result, end.portGone, end.ran);
    });
    updateButtons();
}

// Every job of this page ends with a word in the status line, also one that a stop dropped before it
// ran; a recording that never began ends here, since no range report comes for it.
void RobotPage::jobFinished(BusWorker::Job job, const Result<void>& result, bool portGone, bool ran)
{
    if (!m_pending.removeOne(job))
        return;  // given to a bus this page has let go of
    using Job = BusWorker::Job;
    if (job == Job::RecordRange && m_recording) {
        m_model->endRanges();
        setRecording(false);
    }
    const bool reported = job == Job::WriteSettings && m_writeReported;
    if (portGone)  // after a write, what it says of the servos stays in view
        showStatus(reported ? textFor("robot_port_gone") + QLatin1Char(' ') + m_status->text() : textFor("robot_port_gone"));
    else if (const QString text = endText(job, result, ran); !text.isEmpty() && !reported)
        showStatus(text);
    updateButtons();
    if (job == Job::WriteSettings)
        emit writingEnded();
}

QString RobotPage::endText(BusWorker::Job job, const Result<void>& result, bool ran) const
{
    using Job = BusWorker::Job;
    static const QMap<Job, const char*> titles = {{Job::Scan, "robot_scan"}, {Job::ReadSettings, "robot_read"},
        {Job::WriteSettings, "robot_write"}, {Job::Centre, "robot_centre"}, {Job::RecordRange, "robot_record"},
        {Job::Trim, "robot_col_deviation"}};
    const QString title = titles.contains(job) ? textFor(titles.value(job)) : QString();
    if (!ran)
        return title.isEmpty() ? QString() : textWith("robot_not_started", {title});
    if (job == Job::RecordRange)
        return {};  // the range report said what happened
    if (!result) {
        if (job == Job::ReadStates)
            return {};  // the silent servos are marked in the table
        return textWith("robot_failed", {title, result.failure().message});
    }
    if (job == Job::ReadSettings && !m_pending.contains(job))
        return textWith("robot_read_done", {QString::number(m_model->rowCount())});
    if (job == Job::Centre)
        return textWith("robot_centred", {idList(m_centring), QString::number(centrePosition)});
    return {};
}

bool RobotPage::busy() const
{
    return busTakenElsewhere()
        || std::any_of(m_pending.begin(), m_pending.end(), [](BusWorker::Job job) {
               return job != BusWorker::Job::ReadStates && job != BusWorker::Job::Trim;  // quick, and nothing waits on them
           });
}

bool RobotPage::busTakenElsewhere() const
{
    return worker() && worker()->runsUntilStopped() && !m_pending.contains(BusWorker::Job::RecordRange);
}

void RobotPage::showEvent(QShowEvent* event)
{
    SVBackGroundView::showEvent(event);
    if (worker() && m_settingsUnread)
        readSettings();
}

// The torque never stays off behind another page.
void RobotPage::hideEvent(QHideEvent* event)
{
    SVBackGroundView::hideEvent(event);
    if (m_recording)
        stopRecording();
}

void RobotPage::scan()
{
    if (!worker() || busy())
        return;
    QList<int> ids;
    for (int id = firstServoId; id <= lastServoId; ++id)
        ids.append(id);
    post(BusWorker::Job::Scan, [&](BusWorker::Done done) { worker()->scan(ids, std::move(done)); });
}

// Every scan, this page's or the Motion page's, lists what it found; the settings are read when the
// page shows.
void RobotPage::showScanned(const BusScan::Outcome& outcome)
{
    QList<int> found;
    for (const BusScan::Found& servo : outcome.found)
        found.append(servo.id);
    QList<int> listed = m_model->ids();
    for (int id : found)
        if (!listed.contains(id))
            listed.append(id);
    m_model->setServos(listed);
    for (int id : listed)
        if (!found.contains(id))
            m_model->markSilent(id);
    for (const BusScan::Found& servo : outcome.found)
        m_model->setState(servo.id, servo.state);
    if (!outcome.conflicts.isEmpty())
        showStatus(textWith("robot_shared_ids", {idList(outcome.conflicts)}));
    else if (found.isEmpty())
        showStatus(textFor("robot_none_found"));
    m_settingsUnread = !found.isEmpty();
    if (m_settingsUnread && isVisible())
        readSettings();
}

void RobotPage::readSettings()
{
    if (!worker() || m_model->rowCount() == 0)
        return;
    m_settingsUnread = false;
    showStatus(textFor("robot_reading"));
    post(BusWorker::Job::ReadSettings, [&](BusWorker::Done done) { worker()->readSettings(m_model->ids(), std::move(done)); });
}

void RobotPage::refresh()
{
    if (!worker() || m_recording || !m_pending.isEmpty() || busTakenElsewhere() || m_model->rowCount() == 0)
        return;
    post(BusWorker::Job::ReadStates, [&](BusWorker::Done done) { worker()->readStates(m_model->ids(), std::move(done)); });
}

void RobotPage::writeChanges()
{
    const QList<RobotWrite::Change> changes = m_model->changes();
    if (!worker() || busy())
        return;
    if (changes.isEmpty()) {
        showStatus(textFor("robot_no_changes"));
        return;
    }
    showStatus(textWith("robot_writing", {QString::number(changes.size())}));
    m_writeReported = false;
    post(BusWorker::Job::WriteSettings, [&](BusWorker::Done done) { worker()->writeSettings(changes, std::move(done)); });
}

void RobotPage::showWritten(const Result<RobotWrite::Outcome>& result)
{
    m_writeReported = true;
    if (!result) {
        showStatus(textWith("robot_write_refused", {result.failure().message}));
        return;
    }
    m_model->applyWritten(*result);
    // "7 (Angle min, Angle max)": a servo and its settings by their column titles.
    const auto settingsOf = [](int id, const QStringList& keys) {
        QStringList titles;
        for (const QString& key : keys)
            titles.append(RobotModel::titleOf(key));
        return QStringLiteral("%1 (%2)").arg(QString::number(id), titles.join(QStringLiteral(", ")));
    };
    QStringList written, unwritten, silent, differing, backups;
    for (const RobotWrite::ServoOutcome& servo : result->servos) {
        if (!servo.writtenKeys.isEmpty())
            written.append(settingsOf(servo.servoId, servo.writtenKeys));
        if (!servo.unwrittenKeys.isEmpty())
            unwritten.append(settingsOf(servo.servoId, servo.unwrittenKeys));
        if (!servo.writtenKeys.isEmpty() && !servo.answered && !result->stopped)
            silent.append(QString::number(servo.servoId));
        if (!servo.differingKeys.isEmpty())
            differing.append(settingsOf(servo.servoId, servo.differingKeys));
        backups.append(servo.backup);
    }
    const QString none = textFor("robot_nothing");
    QStringList lines;
    if (result->stopped)
        lines.append(textWith("robot_write_stopped", {result->stopped->message, written.isEmpty() ? none : written.join(QStringLiteral("; ")),
                                                      unwritten.isEmpty() ? none : unwritten.join(QStringLiteral("; "))}));
    else
        lines.append(textWith("robot_written", {written.join(QStringLiteral("; "))}));
    if (result->complete())
        lines.append(textFor("robot_verified"));
    if (!silent.isEmpty())
        lines.append(textWith("robot_readback_silent", {silent.join(QStringLiteral(", "))}));
    if (!differing.isEmpty())
        lines.append(textWith("robot_readback_differs", {differing.join(QStringLiteral("; "))}));
    if (!backups.isEmpty())
        lines.append(textWith("robot_backups", {QFileInfo(backups.first()).path()}));
    showStatus(lines.join(QLatin1Char(' ')));
}

QList<int> RobotPage::chosenIds() const
{
    QList<int> ids;
    for (const QModelIndex& row : m_table->selectionModel()->selectedRows())
        ids.append(m_model->idAt(row.row()));
    std::sort(ids.begin(), ids.end());
    return ids.isEmpty() ? m_model->ids() : ids;
}

void RobotPage::centre()
{
    const QList<int> ids = chosenIds();
    if (!worker() || busy() || ids.isEmpty())
        return;
    showStatus(textWith("robot_centring", {idList(ids), QString::number(centrePosition)}));
    m_centring = ids;
    post(BusWorker::Job::Centre, [&](BusWorker::Done done) { worker()->moveTo(ids, centrePosition, centreTimeMs, std::move(done)); });
}

void RobotPage::toggleRecording()
{
    if (m_recording) {
        stopRecording();
        return;
    }
    const QList<int> ids = chosenIds();
    if (!worker() || busy() || ids.isEmpty())
        return;
    m_model->startRanges(ids);
    setRecording(true);
    post(BusWorker::Job::RecordRange, [&](BusWorker::Done done) { worker()->recordRange(ids, std::move(done)); });
}

// Said only once the torque is off, not when the recording is asked for.
void RobotPage::showRangeStarted(const QList<int>& ids)
{
    if (m_recording)
        showStatus(textWith("robot_recording", {idList(ids)}));
}

void RobotPage::stopRecording()
{
    if (m_recording && worker())
        worker()->stop();
}

// The torque is on again: each range, narrowed by the margin, becomes the servo's new angle limits,
// marked until written.
void RobotPage::showRangeEnded(const Result<void>& result)
{
    if (!m_recording)
        return;
    const QMap<int, TaughtRange> ranges = m_model->ranges();
    m_model->endRanges();
    setRecording(false);
    if (!result) {
        showStatus(textWith("robot_range_failed", {result.failure().message}));
        return;
    }
    QStringList tooSmall, outside;
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
        const Result<TaughtRange::Limits> limits = it->limits(m_margin->value());
        if (!limits) {
            (it->tooSmallFor(m_margin->value()) ? tooSmall : outside).append(QString::number(it.key()));
            continue;
        }
        const SettingValues values = limits->values();
        for (auto value = values.begin(); value != values.end(); ++value)
            m_model->setEdit(it.key(), value.key(), value.value());
    }
    QString text = textFor("robot_recorded");
    if (!tooSmall.isEmpty())
        text += QLatin1Char(' ') + textWith("robot_range_small", {tooSmall.join(QStringLiteral(", "))});
    if (!outside.isEmpty())
        text += QLatin1Char(' ') + textWith("robot_range_outside", {outside.join(QStringLiteral(", "))});
    showStatus(text);
}

void RobotPage::setRecording(bool recording)
{
    if (m_recording == recording)
        return;
    m_recording = recording;
    m_record->setTitle(textFor(recording ? "robot_stop" : "robot_record"));
    updateButtons();
    emit recordingChanged(recording);
}

void RobotPage::updateButtons()
{
    const bool bus = worker() != nullptr;
    const bool idle = bus && !busy();  // also false while the Motion page plays
    const bool servos = m_model->rowCount() > 0;
    m_model->setLocked(m_recording || m_pending.contains(BusWorker::Job::WriteSettings) || busTakenElsewhere());
    setActionEnabled(m_scan, idle);
    setActionEnabled(m_read, idle && servos);
    setActionEnabled(m_write, idle && servos);
    setActionEnabled(m_centre, idle && servos);
    setActionEnabled(m_record, m_recording || (idle && servos), m_recording ? stopRed : SVButton::buttonOrange());
    setActionEnabled(m_open, !m_recording);
    setActionEnabled(m_save, servos);
    setActionEnabled(m_assign, idle && !m_recording);
}

// ---- Files ----

void RobotPage::chooseFileToOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, textFor("robot_open"), QFileInfo(m_filePath).path(), textFor("robot_file_filter"));
    if (!path.isEmpty())
        openFile(path);
}

void RobotPage::chooseFileToSave()
{
    const QString suggested = m_filePath.isEmpty() ? QStringLiteral("robot.json") : m_filePath;
    const QString path = QFileDialog::getSaveFileName(this, textFor("robot_save"), suggested, textFor("robot_file_filter"));
    if (!path.isEmpty())
        saveFile(path);
}

// The file's settings become edits of the listed servos, written only by Write changes; its other
// servos are kept for Save.
void RobotPage::openFile(const QString& path)
{
    const Result<QList<SettingsFile::Entry>> entries = SettingsFile::readRobot(path);
    if (!entries) {
        showStatus(textWith("robot_open_failed", {entries.failure().message}));
        return;
    }
    const QList<int> missing = m_model->applyFile(*entries);
    rememberFile(path);
    const QString name = QFileInfo(path).fileName();
    showStatus(missing.isEmpty() ? textWith("robot_opened", {name}) : textWith("robot_opened_missing", {name, idList(missing)}));
}

// Only a file that Open and servoctl restore read is saved: it is read back before it is written.
void RobotPage::saveFile(const QString& path)
{
    const QByteArray bytes = SettingsFile::robotDocument(m_model->fileEntries());
    const Result<QList<SettingsFile::Entry>> readable = SettingsFile::parseRobot(bytes, QFileInfo(path).fileName());
    if (!readable) {
        showStatus(textWith("robot_save_failed", {readable.failure().message}));
        return;
    }
    if (const Result<void> written = WholeFile::write(path, bytes); !written) {
        showStatus(textWith("robot_save_failed", {written.failure().message}));
        return;
    }
    m_model->keepFile(*readable);
    rememberFile(path);
    showStatus(textWith("robot_saved", {QFileInfo(path).fileName()}));
}

void RobotPage::rememberFile(const QString& path)
{
    m_filePath = QFileInfo(path).absoluteFilePath();
    SettingsStore::standard().setValue(robotFileKey, m_filePath);
    SettingsStore::standard().sync();
    retranslate();
}

// The names of the robot file last used, so that every page shows them from the start. A file that
// cannot be read any more is named in the status line; it stays remembered, as it may come back.
void RobotPage::loadRememberedNames()
{
    const QString path = SettingsStore::standard().text(robotFileKey);
    if (path.isEmpty())
        return;
    const Result<QList<SettingsFile::Entry>> entries = SettingsFile::readRobot(path);
    if (!entries) {
        showStatus(textWith("robot_remembered_unreadable", {entries.failure().message}));
        return;
    }
    m_filePath = path;
    m_model->keepFile(*entries);
    m_model->setNames(SettingsFile::namesOf(*entries));
}

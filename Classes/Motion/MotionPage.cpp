#include "Classes/Motion/MotionPage.h"
#include "Api/Bus/Protocol.h"

#include "Classes/View/PageControls/BusAttachment.h"
#include "Classes/View/PageControls/FrozenColumnsTableView.h"
#include "Classes/Motion/HealthPlot.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/SequenceDelegate.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Classes/View/PageControls/PageControls.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr int firstServoId = 0;
constexpr int lastServoId = SVProtocol::highestServoId;
constexpr int contentFontPx = 12;
constexpr int servoPanelWidth = 244;
constexpr int swatchPx = 10;
constexpr int healthPlotMinimumWidth = 150;
constexpr int nameColumnMaximum = 120;
const QColor stopRed(214, 39, 40);

QString textFor(const char* key)
{
    return BundleLanguage::localizedStringForKey(QLatin1String(key));
}

QString textWith(const char* key, const QStringList& values)
{
    return BundleLanguage::withValues(textFor(key), values);
}

QString textWith(const char* key, int value)
{
    return textFor(key).replace(QStringLiteral("%@"), QString::number(value));
}

template <typename View = QTableView, typename... Arguments>
View* tableView(Arguments... arguments)
{
    auto* view = new View(arguments...);
    PageControls::styleTable(view, QAbstractItemView::SingleSelection, contentFontPx, 22);
    view->setStyleSheet(QStringLiteral("QTableView { background: white; border: none; border-radius: 5px; }"));
    return view;
}

// A panel's content starts under its title.
QVBoxLayout* panelLayout(SVToolView* panel, bool titled)
{
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, titled ? 40 : 8, 10, 10);
    layout->setSpacing(6);
    return layout;
}

}  // namespace

using PageControls::actionButton;
using PageControls::setActionEnabled;
using PageControls::setPixelFont;

MotionPage::MotionPage(QWidget* parent)
    : SVBackGroundView(2, parent)
    , m_servoModel(new ServoListModel(this))
    , m_sequenceModel(new SequenceModel(this))
    , m_startSeconds(BusWorker::secondsOf(BusWorker::Clock::now()))
    , m_bus(new BusAttachment(this, refreshIntervalMs, [this](BusWorker* worker) { return connectWorker(worker); }))
    , m_listUpdate(new QTimer(this))
{
    connect(m_bus, &BusAttachment::refreshDue, this, &MotionPage::refresh);
    m_listUpdate->setSingleShot(true);
    m_listUpdate->setInterval(listUpdateMs);
    connect(m_listUpdate, &QTimer::timeout, this, &MotionPage::showNewestPositions);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSpacing(10);
    buildServoPanel();
    buildSequencePanel();
    buildPlotPanel();
    grid->addWidget(m_servoPanel, 0, 0);
    grid->addWidget(m_sequencePanel, 0, 1);
    grid->addWidget(m_plotPanel, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    // A larger window gives its height to the tables and the plots, three parts to two.
    grid->setRowStretch(0, 3);
    grid->setRowStretch(1, 2);

    const LivePlot::Clock sinceStart = [this] { return secondsSinceStart(BusWorker::secondsOf(BusWorker::Clock::now())); };
    m_positionPlot->setClock(sinceStart);
    m_healthPlot->setClock(sinceStart);
    connect(m_servoModel, &ServoListModel::checkedIdsChanged, this, &MotionPage::followCheckedServos);
    connect(m_sequenceModel, &SequenceModel::modifiedChanged, this, &MotionPage::updateSequenceTitle);
    connect(m_sequenceModel, &QAbstractItemModel::rowsInserted, this, &MotionPage::updateButtons);
    connect(m_sequenceModel, &QAbstractItemModel::rowsRemoved, this, &MotionPage::updateButtons);
    connect(m_sequenceModel, &QAbstractItemModel::modelReset, this, &MotionPage::updateButtons);
    retranslate();
    updateButtons();
}

MotionPage::~MotionPage() = default;

// ---- Building ----

void MotionPage::buildServoPanel()
{
    m_servoPanel = new SVToolView(this);
    m_servoPanel->setFixedWidth(servoPanelWidth);
    QVBoxLayout* layout = panelLayout(m_servoPanel, true);
    m_scan = actionButton(m_servoPanel);
    connect(m_scan, &SVButton::clicked, this, &MotionPage::scan);
    layout->addWidget(m_scan);
    m_servoView = tableView(m_servoPanel);
    m_servoView->setModel(m_servoModel);
    // Several rows may be selected: the position plot draws those servos.
    m_servoView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_servoView->setIconSize(QSize(swatchPx, swatchPx));
    m_servoView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_servoView->horizontalHeader()->setMinimumSectionSize(0);
    m_servoView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_servoView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &MotionPage::followCurrentServo);
    connect(m_servoView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MotionPage::plotChosenServos);
    // A servo's colour follows its place in the list.
    connect(m_servoModel, &QAbstractItemModel::rowsInserted, this, &MotionPage::plotChosenServos);
    connect(m_servoModel, &QAbstractItemModel::rowsRemoved, this, &MotionPage::plotChosenServos);
    layout->addWidget(m_servoView, 1);
    m_pollNote = new QLabel(m_servoPanel);
    m_pollNote->setWordWrap(true);
    setPixelFont(m_pollNote, 11);
    m_pollNote->setStyleSheet(QStringLiteral("color: rgb(87, 87, 87);"));
    layout->addWidget(m_pollNote);
}

void MotionPage::buildSequencePanel()
{
    m_sequencePanel = new SVToolView(this);
    QVBoxLayout* layout = panelLayout(m_sequencePanel, true);
    m_sequenceView = tableView<FrozenColumnsTableView>(int(SequenceModel::FirstServoColumn), m_sequencePanel);
    m_sequenceView->setModel(m_sequenceModel);
    m_sequenceView->setItemDelegates([](QTableView* view) { return new SequenceDelegate(view); });
    m_sequenceView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked
                                    | QAbstractItemView::AnyKeyPressed);
    m_sequenceView->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::columnsInserted})
        connect(m_sequenceModel, changed, this, &MotionPage::fitSequenceColumns);
    connect(m_sequenceModel, &QAbstractItemModel::modelReset, this, &MotionPage::fitSequenceColumns);
    connect(m_sequenceModel, &QAbstractItemModel::dataChanged, this, &MotionPage::fitSequenceColumns);
    connect(m_sequenceModel, &QAbstractItemModel::headerDataChanged, this, &MotionPage::fitSequenceColumns);
    connect(m_sequenceView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &MotionPage::updateButtons);
    layout->addWidget(m_sequenceView, 1);

    const auto row = [this, layout](const QList<QWidget*>& widgets) {
        auto* line = new QHBoxLayout;
        line->setSpacing(5);
        for (QWidget* widget : widgets)
            line->addWidget(widget);
        layout->addLayout(line);
    };
    const auto button = [this](void (MotionPage::*action)()) {
        SVButton* made = actionButton(m_sequencePanel);
        connect(made, &SVButton::clicked, this, action);
        return made;
    };
    m_capture = button(&MotionPage::capture);
    m_torque = button(&MotionPage::toggleTorque);
    m_goTo = button(&MotionPage::goToStep);
    m_delete = button(&MotionPage::deleteStep);
    m_up = actionButton(m_sequencePanel);
    connect(m_up, &SVButton::clicked, this, [this] { moveStep(-1); });
    m_down = actionButton(m_sequencePanel);
    connect(m_down, &SVButton::clicked, this, [this] { moveStep(1); });
    m_up->setFixedWidth(28);
    m_down->setFixedWidth(28);
    row({m_capture, m_torque, m_goTo, m_delete});

    m_open = button(&MotionPage::chooseFileToOpen);
    m_save = button(&MotionPage::chooseFileToSave);
    m_play = button(&MotionPage::play);
    m_stop = actionButton(m_sequencePanel);
    connect(m_stop, &SVButton::clicked, this, &MotionPage::stop);
    row({m_up, m_down, m_open, m_save, m_play, m_stop});

    m_loopsLabel = new QLabel(m_sequencePanel);
    m_loops = new QSpinBox(m_sequencePanel);
    m_loops->setRange(1, maximumLoops);
    m_untilStopped = new QCheckBox(m_sequencePanel);
    connect(m_untilStopped, &QCheckBox::toggled, m_loops, &QWidget::setDisabled);
    m_speedLabel = new QLabel(m_sequencePanel);
    m_speed = new QDoubleSpinBox(m_sequencePanel);
    m_speed->setRange(PlayOptions::slowest, PlayOptions::fastest);
    m_speed->setDecimals(1);
    m_speed->setSingleStep(0.1);
    m_speed->setValue(1);
    m_speed->setSuffix(QStringLiteral(" ×"));
    m_loopsLabel->setBuddy(m_loops);
    m_speedLabel->setBuddy(m_speed);
    for (QWidget* widget : {static_cast<QWidget*>(m_loopsLabel), static_cast<QWidget*>(m_loops),
                            static_cast<QWidget*>(m_untilStopped), static_cast<QWidget*>(m_speedLabel),
                            static_cast<QWidget*>(m_speed)})
        setPixelFont(widget, contentFontPx);
    auto* options = new QHBoxLayout;
    options->setSpacing(5);
    options->addWidget(m_loopsLabel);
    options->addWidget(m_loops);
    options->addWidget(m_untilStopped);
    options->addStretch(1);
    options->addWidget(m_speedLabel);
    options->addWidget(m_speed);
    layout->addLayout(options);

    m_status = new StatusLine(m_sequencePanel);
    setPixelFont(m_status, contentFontPx);
    m_status->setStyleSheet(QStringLiteral("color: rgb(64, 64, 64);"));
    m_status->setMinimumHeight(30);
    layout->addWidget(m_status);
}

void MotionPage::buildPlotPanel()
{
    m_plotPanel = new SVToolView(this);
    m_plotPanel->lableTitle()->hide();
    QVBoxLayout* layout = panelLayout(m_plotPanel, false);
    m_positionPlot = new PositionPlot(m_plotPanel);
    m_healthPlot = new HealthPlot(m_plotPanel);
    m_positionPlot->setMinimumHeight(140);
    m_healthPlot->setMinimumWidth(healthPlotMinimumWidth);
    // Side by side: the selected servo's voltage and temperature beside the positions.
    auto* plots = new QHBoxLayout;
    plots->setSpacing(8);
    plots->addWidget(m_positionPlot, 3);
    plots->addWidget(m_healthPlot, 1);
    layout->addLayout(plots);
    m_positionPlot->setRedrawInterval(std::chrono::milliseconds(refreshIntervalMs));
    m_healthPlot->setRedrawInterval(std::chrono::milliseconds(refreshIntervalMs));
}

QTableView* MotionPage::sequenceView() const
{
    return m_sequenceView;
}

QList<QWidget*> MotionPage::tabOrder() const
{
    return {m_scan, m_servoView, m_sequenceView, m_capture, m_torque, m_goTo, m_delete, m_up, m_down,
            m_open, m_save, m_play, m_stop, m_loops, m_untilStopped, m_speed};
}

void MotionPage::retranslate()
{
    m_servoPanel->lableTitle()->setText(textFor("motion_servos"));
    m_scan->setTitle(textFor("motion_scan"));
    m_pollNote->setText(textFor("motion_poll_note"));
    m_capture->setTitle(textFor("motion_capture"));
    m_torque->setTitle(textFor(m_torqueReleased ? "motion_hold" : "motion_release"));
    m_goTo->setTitle(textFor("motion_go_to"));
    m_delete->setTitle(textFor("motion_delete"));
    m_up->setTitle(QStringLiteral("▲"));
    m_down->setTitle(QStringLiteral("▼"));
    m_open->setTitle(textFor("motion_open"));
    m_save->setTitle(textFor("motion_save"));
    m_play->setTitle(textFor("motion_play"));
    m_stop->setTitle(textFor("motion_stop"));
    m_loopsLabel->setText(textFor("motion_loops"));
    m_untilStopped->setText(textFor("motion_until_stopped"));
    m_speedLabel->setText(textFor("motion_speed"));
    m_servoModel->retranslate();
    m_sequenceModel->retranslate();
    m_positionPlot->retranslate();
    m_healthPlot->retranslate();
    nameControls();
    updateSequenceTitle();
}

// Names for assistive technology where a control shows no text of its own, or only a symbol.
void MotionPage::nameControls()
{
    m_servoView->setAccessibleName(textFor("motion_servos"));
    m_sequenceView->setAccessibleName(textFor("motion_sequence"));
    m_up->setAccessibleName(textFor("motion_move_up"));
    m_down->setAccessibleName(textFor("motion_move_down"));
    m_loops->setAccessibleName(textFor("motion_loops"));
    m_speed->setAccessibleName(textFor("motion_speed"));
    m_status->setCaption(textFor("motion_status"));
}

void MotionPage::updateSequenceTitle()
{
    QString title = textFor("motion_sequence");
    if (!m_filePath.isEmpty())
        title += QStringLiteral(" — ") + QFileInfo(m_filePath).fileName();
    if (m_sequenceModel->isModified())
        title += QStringLiteral(" *");
    m_sequencePanel->lableTitle()->setText(title);
    m_sequencePanel->lableTitle()->setToolTip(m_sequenceModel->isModified() ? textFor("motion_unsaved") : QString());
    m_sequencePanel->lableTitle()->setAccessibleDescription(m_sequenceModel->isModified() ? textFor("motion_unsaved") : QString());
}

void MotionPage::showStatus(const QString& text)
{
    m_status->showText(text);
}

// ---- The bus ----

BusWorker* MotionPage::worker() const
{
    return m_bus->worker();
}

void MotionPage::setBusWorker(BusWorker* given)
{
    if (!m_bus->attach(given))
        return;
    m_jobsRunning = 0;
    m_scanning = false;
    m_torqueReleased = false;  // a new port starts with the servos as they are: Release is offered
    m_torque->setTitle(textFor("motion_release"));
    if (m_playing) {
        m_sequenceModel->setPlayingRow(-1);
        setPlaying(false);
        showStatus(textFor("motion_port_closed"));
    }
    if (worker())
        worker()->setWatchedServo(selectedServo());
    updateButtons();
}

QList<QMetaObject::Connection> MotionPage::connectWorker(BusWorker* w)
{
    return {
        connect(w, &BusWorker::scanned, this, &MotionPage::showScanned),
        connect(w, &BusWorker::scanProgress, this, [this](int asked, int total) {
            showStatus(textFor("motion_scanning").replace(QStringLiteral("%@"), QStringLiteral("%1/%2").arg(asked).arg(total)));
        }),
        connect(w, &BusWorker::stateRead, this, &MotionPage::showState),
        connect(w, &BusWorker::servoSilent, m_servoModel, &ServoListModel::markSilent),
        connect(w, &BusWorker::captured, this, [this](const BusWorker::Positions& positions) {
            const int row = m_sequenceModel->appendStep(positions);
            m_sequenceView->selectRow(row);
            showStatus(textWith("motion_captured", row + 1));
        }),
        connect(w, &BusWorker::stepStarted, this, [this](int loop, int stepIndex, int) { showStepStarted(loop, stepIndex); }),
        connect(w, &BusWorker::positionRead, this, &MotionPage::showPosition),
        connect(w, &BusWorker::setPointSent, this, &MotionPage::showSetPoint),
        connect(w, &BusWorker::healthRead, this, &MotionPage::showHealth),
        connect(w, &BusWorker::runsUntilStoppedChanged, this, [this](bool runs) {
            if (runs && busTakenElsewhere())
                showStatus(textFor(worker()->jobKeepingBus() == BusWorker::Job::AssignIds ? "bus_taken_assign" : "motion_bus_taken"));
            updateButtons();
        }),
    };
}

void MotionPage::scan()
{
    if (!worker() || m_playing || m_scanning || busTakenElsewhere())
        return;
    QList<int> ids;
    for (int id = firstServoId; id <= lastServoId; ++id)
        ids.append(id);
    m_scanning = true;
    ++m_jobsRunning;
    worker()->scan(ids, whenDone());
    updateButtons();
}

// One round of state reads of the listed servos, when the bus has nothing else to do.
void MotionPage::refresh()
{
    if (!worker() || m_jobsRunning > 0 || busTakenElsewhere() || m_servoModel->ids().isEmpty())
        return;
    ++m_jobsRunning;
    worker()->readStates(m_servoModel->ids(), whenDone());
}

void MotionPage::capture()
{
    if (busTakenElsewhere())
        return;
    const QList<int> ids = m_sequenceModel->servoIds();
    if (!worker() || ids.isEmpty()) {
        showStatus(textFor("motion_no_servos"));
        return;
    }
    ++m_jobsRunning;
    worker()->capture(ids, whenDone());
}

void MotionPage::toggleTorque()
{
    if (busTakenElsewhere())
        return;
    const QList<int> ids = m_sequenceModel->servoIds();
    if (!worker() || ids.isEmpty()) {
        showStatus(textFor("motion_no_servos"));
        return;
    }
    setTorqueReleased(!m_torqueReleased);
    ++m_jobsRunning;
    worker()->setTorque(ids, !m_torqueReleased, whenDone());
    for (int id : ids)
        m_servoModel->setTorqueOn(id, !m_torqueReleased);
    showStatus(textFor(m_torqueReleased ? "motion_released" : "motion_held"));
}

void MotionPage::setTorqueReleased(bool released)
{
    m_torqueReleased = released;
    m_torque->setTitle(textFor(released ? "motion_hold" : "motion_release"));
}

void MotionPage::goToStep()
{
    const int row = selectedStep();
    if (row < 0) {
        showStatus(textFor("motion_select_step"));
        return;
    }
    Motion motion;
    motion.steps = {m_sequenceModel->step(row)};
    PlayOptions options;
    options.loops = 1;
    m_playingRows = {row};
    startPlaying(motion, options);
}

void MotionPage::play()
{
    const Motion motion = m_sequenceModel->motion();
    if (motion.steps.isEmpty()) {
        showStatus(textFor("motion_no_steps"));
        return;
    }
    PlayOptions options;
    options.loops = m_untilStopped->isChecked() ? 0 : m_loops->value();
    options.speed = m_speed->value();
    m_playingRows.clear();
    for (int row = 0; row < motion.steps.size(); ++row)
        m_playingRows.append(row);
    startPlaying(motion, options);
}

void MotionPage::startPlaying(const Motion& motion, const PlayOptions& options)
{
    if (!worker() || m_playing || busTakenElsewhere())
        return;
    m_playingMotion = motion;
    m_loopsToPlay = options.loops;
    m_stepsStarted = 0;
    m_tracking.clear();
    ++m_jobsRunning;
    setPlaying(true);
    showStatus(textFor("motion_checking"));
    worker()->play(motion, options, whenDone());
}

void MotionPage::stop()
{
    if (worker())
        worker()->stop();
}

void MotionPage::deleteStep()
{
    const int row = selectedStep();
    if (row < 0)
        return;
    m_sequenceModel->removeStep(row);
    if (m_sequenceModel->rowCount() > 0)
        m_sequenceView->selectRow(std::min(row, m_sequenceModel->rowCount() - 1));
}

void MotionPage::moveStep(int delta)
{
    const int row = selectedStep();
    if (row >= 0 && m_sequenceModel->moveStep(row, delta))
        m_sequenceView->selectRow(row + delta);
}

// ---- Files ----

void MotionPage::chooseFileToOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, textFor("motion_open"), QFileInfo(m_filePath).path(),
                                                      textFor("motion_file_filter"));
    if (!path.isEmpty())
        openFile(path);
}

void MotionPage::chooseFileToSave()
{
    const QString suggested = m_filePath.isEmpty() ? QStringLiteral("motion.json") : m_filePath;
    const QString path = QFileDialog::getSaveFileName(this, textFor("motion_save"), suggested, textFor("motion_file_filter"));
    if (!path.isEmpty())
        saveFile(path);
}

void MotionPage::openFile(const QString& path)
{
    const Result<Motion> motion = MotionFile::read(path);
    if (!motion) {
        showStatus(textWith("motion_open_failed", {motion.failure().message}));
        return;
    }
    // Every servo of the file is listed and takes part; the others stay listed and leave the sequence.
    QList<int> listed = m_servoModel->ids();
    for (int id : motion->servoIds())
        if (!listed.contains(id))
            listed.append(id);
    std::sort(listed.begin(), listed.end());
    m_servoModel->setFoundServos(listed);
    for (int id : listed)
        m_servoModel->setChecked(id, motion->servoIds().contains(id));
    m_sequenceModel->setMotion(*motion);
    followCheckedServos();
    m_filePath = path;
    updateSequenceTitle();
    showStatus(textWith("motion_opened", {QFileInfo(path).fileName(), QString::number(motion->steps.size())}));
}

void MotionPage::saveFile(const QString& path)
{
    if (const Result<void> written = MotionFile::write(path, m_sequenceModel->motion()); !written) {
        showStatus(textWith("motion_save_failed", {written.failure().message}));
        return;
    }
    m_filePath = path;
    m_sequenceModel->markSaved();
    updateSequenceTitle();
    showStatus(textWith("motion_saved", {QFileInfo(path).fileName()}));
}

// ---- What the bus tells ----

BusWorker::Done MotionPage::whenDone()
{
    return [page = QPointer(this), given = QPointer<BusWorker>(worker())](const BusWorker::JobEnd& end) {
        if (page && page->worker() == given)
            page->jobFinished(end.job, end.result, end.portGone);
    };
}

void MotionPage::jobFinished(BusWorker::Job job, const Result<void>& result, bool portGone)
{
    m_jobsRunning = std::max(0, m_jobsRunning - 1);
    if (job == BusWorker::Job::Scan)
        m_scanning = false;
    if (job == BusWorker::Job::Play) {
        m_sequenceModel->setPlayingRow(-1);
        setPlaying(false);
        endTrackedLoop();
        if (result)
            showStatus(textFor(m_playingRows.size() == 1 && m_playingMotion.steps.size() == 1 ? "motion_arrived" : "motion_played"));
    }
    if (!result && !(job == BusWorker::Job::ReadStates && !portGone))
        showStatus(failureText(job, result.failure(), portGone));
    updateButtons();
}

// The failure in the language in force, naming the servo at fault.
QString MotionPage::failureText(BusWorker::Job job, const Failure& failure, bool portGone) const
{
    if (portGone)
        return textFor("motion_port_gone");
    if (failure.kind == Failure::Kind::Interrupted)
        return textFor(job == BusWorker::Job::Play ? "motion_stopped" : "motion_scan_stopped");
    if (failure.servoId < 0)
        return failure.message;
    if (job != BusWorker::Job::Play)
        return textWith("motion_servo_no_answer", failure.servoId);
    if (failure.kind == Failure::Kind::Usage)
        return textWith("motion_outside_limits", failure.servoId);
    return textWith(m_stepsStarted == 0 ? "motion_not_answering" : "motion_servo_stopped", failure.servoId);
}

// The servos in the sequence take part in what the table and the plot show.
void MotionPage::followCheckedServos()
{
    const QList<int> ids = m_servoModel->checkedIds();
    m_sequenceModel->setServoIds(ids);
    plotChosenServos();
    updateButtons();
}

void MotionPage::plotChosenServos()
{
    QList<int> ids;
    for (const QModelIndex& row : m_servoView->selectionModel()->selectedRows())
        ids.append(m_servoModel->idAt(row.row()));
    std::sort(ids.begin(), ids.end());
    if (ids.isEmpty())
        ids = m_sequenceModel->servoIds().mid(0, defaultPlottedServos);
    QList<PositionPlot::Shown> shown;
    for (int id : ids)
        shown.append({id, m_servoModel->colourOf(id)});
    m_positionPlot->setServos(shown);
}

// The health plot and the bus's health reads follow the servo of the list's current row.
void MotionPage::followCurrentServo()
{
    m_healthPlot->setServo(selectedServo());
    if (worker())
        worker()->setWatchedServo(selectedServo());
}

// The room a number of the sequence table takes in the bold of the playing row.
int MotionPage::widestValueWidth(int value) const
{
    QStyleOptionViewItem widest;
    widest.initFrom(m_sequenceView);
    widest.widget = m_sequenceView;
    widest.font = m_sequenceView->font();
    widest.font.setBold(true);
    widest.fontMetrics = QFontMetrics(widest.font);
    widest.features = QStyleOptionViewItem::HasDisplay;
    widest.text = SequenceDelegate::numberText(value);
    return m_sequenceView->style()->sizeFromContents(QStyle::CT_ItemViewItem, &widest, QSize(), m_sequenceView).width();
}

// Each column as wide as its contents and at least its widest value ("30000", "1000"), a name at
// most nameColumnMaximum.
void MotionPage::fitSequenceColumns()
{
    QHeaderView* header = m_sequenceView->horizontalHeader();
    const QAbstractItemView& contents = *m_sequenceView;
    for (int column = 0; column < m_sequenceModel->columnCount(); ++column) {
        int width = std::max(header->sectionSizeHint(column), contents.sizeHintForColumn(column));
        if (column == SequenceModel::NameColumn)
            width = std::min(width, nameColumnMaximum);
        else
            width = std::max(width, widestValueWidth(SequenceModel::rangeOf(column)->maximum));
        if (m_sequenceView->columnWidth(column) != width)
            m_sequenceView->setColumnWidth(column, width);
    }
}

// Servos listed before stay listed, greyed when they did not answer this time: a sequence never
// loses a servo's positions to a scan.
void MotionPage::showScanned(const BusScan::Outcome& outcome)
{
    QList<int> ids;
    for (const BusScan::Found& found : outcome.found)
        ids.append(found.id);
    QList<int> listed = m_servoModel->ids();
    for (int id : ids)
        if (!listed.contains(id))
            listed.append(id);
    std::sort(listed.begin(), listed.end());
    m_servoModel->setFoundServos(listed);
    for (int id : listed)
        if (!ids.contains(id))
            m_servoModel->markSilent(id);
    for (const BusScan::Found& found : outcome.found)
        m_servoModel->updateState(found.id, found.state);
    followCheckedServos();
    // The first servo's health is shown without selecting it: the position plot draws its default.
    if (m_servoView->currentIndex().row() < 0 && !ids.isEmpty())
        m_servoView->selectionModel()->setCurrentIndex(m_servoModel->index(0, 0), QItemSelectionModel::NoUpdate);
    const double now = BusWorker::secondsOf(BusWorker::Clock::now());
    for (const BusScan::Found& found : outcome.found)
        showHealth(found.id, found.state.voltageMillivolts, found.state.temperature, now);
    QStringList conflicts;
    for (int id : outcome.conflicts)
        conflicts.append(QString::number(id));
    if (!conflicts.isEmpty())
        showStatus(textWith("motion_shared_ids", {conflicts.join(QStringLiteral(", "))}));
    else if (!outcome.stopped)
        showStatus(ids.isEmpty() ? textFor("motion_none_found") : textWith("motion_found", {QString::number(ids.size())}));
}

void MotionPage::showStepStarted(int loop, int stepIndex)
{
    if (stepIndex == 0 && m_stepsStarted > 0)
        endTrackedLoop();
    ++m_stepsStarted;
    const int row = m_playingRows.value(stepIndex, -1);
    m_sequenceModel->setPlayingRow(row);
    const double now = secondsSinceStart(BusWorker::secondsOf(BusWorker::Clock::now()));
    const MotionStep& step = m_playingMotion.steps.at(stepIndex);
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
        m_positionPlot->addTarget(it.key(), now, it.value());
        m_servoModel->setTorqueOn(it.key(), true);  // a move switches the servo's torque on
    }
    setTorqueReleased(false);
    const QString loops = m_loopsToPlay == 0 ? QStringLiteral("∞") : QString::number(m_loopsToPlay);
    showStatus(BundleLanguage::withValues(textFor("motion_playing"), {QString::number(row + 1), QString::number(loop), loops}));
}

// The plot takes every sample; the list shows the newest a few times a second, since each change
// of a row repaints the panels under it.
void MotionPage::showPosition(int servoId, int position, double seconds)
{
    m_positionPlot->addPosition(servoId, secondsSinceStart(seconds), position);
    m_tracking.addRead(servoId, seconds, position);
    m_newestPositions.insert(servoId, position);
    if (!m_listUpdate->isActive())
        m_listUpdate->start();
}

void MotionPage::showSetPoint(int servoId, int position, double seconds)
{
    m_positionPlot->addCommanded(servoId, secondsSinceStart(seconds), position);
    m_tracking.addSetPoint(servoId, seconds, position);
}

void MotionPage::endTrackedLoop()
{
    m_tracking.endLoop();
    QStringList differences;
    for (auto it = m_tracking.lastLoop().begin(); it != m_tracking.lastLoop().end(); ++it)
        differences.append(QStringLiteral("ID %1: %2").arg(it.key()).arg(it.value()));
    m_positionPlot->setToolTip(differences.isEmpty() ? QString() : textFor("motion_tracking").replace(QStringLiteral("%@"), differences.join(QStringLiteral(", "))));
}

void MotionPage::showNewestPositions()
{
    m_servoModel->updatePositions(std::exchange(m_newestPositions, {}));
}

void MotionPage::showState(int servoId, const ServoAccess::LiveState& state)
{
    m_servoModel->updateState(servoId, state);
}

void MotionPage::showHealth(int servoId, int millivolts, int celsius, double seconds)
{
    if (servoId == selectedServo())
        m_healthPlot->addSample(secondsSinceStart(seconds), millivolts, celsius);
}

void MotionPage::setPlaying(bool playing)
{
    if (m_playing == playing)
        return;
    m_playing = playing;
    const std::chrono::milliseconds redraw(playing ? playingRedrawMs : refreshIntervalMs);
    m_positionPlot->setRedrawInterval(redraw);
    m_healthPlot->setRedrawInterval(redraw);
    updateButtons();
    emit playingChanged(playing);
}

void MotionPage::updateButtons()
{
    const bool bus = worker() != nullptr && !busTakenElsewhere();
    const bool idle = !m_playing && !m_scanning;
    const bool servos = !m_sequenceModel->servoIds().isEmpty();
    const bool steps = m_sequenceModel->rowCount() > 0;
    const bool selected = selectedStep() >= 0;
    setActionEnabled(m_scan, bus && idle);
    setActionEnabled(m_capture, bus && idle && servos);
    setActionEnabled(m_torque, bus && idle && servos);
    setActionEnabled(m_goTo, bus && idle && selected);
    setActionEnabled(m_play, bus && idle && steps);
    setActionEnabled(m_stop, bus && !idle, stopRed);
    setActionEnabled(m_delete, !m_playing && selected);
    setActionEnabled(m_up, !m_playing && selected);
    setActionEnabled(m_down, !m_playing && selected);
    setActionEnabled(m_open, !m_playing);
    setActionEnabled(m_save, true);
    m_sequenceView->setEditTriggers(m_playing ? QAbstractItemView::NoEditTriggers
                                              : QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked
                                                    | QAbstractItemView::AnyKeyPressed);
}

// The Robot page records ranges: nothing this page gives could go out before that stops.
bool MotionPage::busTakenElsewhere() const
{
    return worker() && worker()->runsUntilStopped() && !m_playing;
}

double MotionPage::secondsSinceStart(double steadySeconds) const
{
    return steadySeconds - m_startSeconds;
}

int MotionPage::selectedStep() const
{
    const QModelIndex current = m_sequenceView->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int MotionPage::selectedServo() const
{
    const QModelIndex current = m_servoView->selectionModel()->currentIndex();
    return current.isValid() ? m_servoModel->idAt(current.row()) : -1;
}

#include "Classes/Robot/AssignPanel.h"

#include "Api/Bus/ServoIdList.h"
#include "Classes/Robot/ServoNames.h"
#include "Classes/View/PageControls/PageControls.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "VirtualServo/DemoServoBox.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using namespace IdAssignment;

constexpr int contentFontPx = 12;
constexpr int nextFontPx = 26;
constexpr int rowHeight = 22;
const QColor stopRed(214, 39, 40);
const QColor doneGreen(44, 160, 44);

QString textFor(const char* key)
{
    return BundleLanguage::localizedStringForKey(QLatin1String(key));
}

QString textWith(const char* key, const QStringList& values)
{
    return BundleLanguage::withValues(textFor(key), values);
}

QString label(const Joint& joint)
{
    return joint.name.isEmpty() ? QStringLiteral("ID %1").arg(joint.id) : QStringLiteral("ID %1 — %2").arg(joint.id).arg(joint.name);
}

QString idList(const QList<Joint>& joints)
{
    QStringList ids;
    for (const Joint& joint : joints)
        ids.append(QString::number(joint.id));
    return ids.isEmpty() ? QStringLiteral("–") : ids.join(QStringLiteral(", "));
}

const char* stateKey(AssignPanel::RowState state)
{
    switch (state) {
    case AssignPanel::RowState::NotDone: return "assign_state_not_done";
    case AssignPanel::RowState::ConnectNow: return "assign_state_now";
    case AssignPanel::RowState::Written: return "assign_state_written";
    case AssignPanel::RowState::Done: return "assign_state_done";
    }
    return "";
}

}  // namespace

using PageControls::actionButton;
using PageControls::setActionEnabled;
using PageControls::setPixelFont;

AssignPanel::AssignPanel(QWidget* parent)
    : QWidget(parent)
{
    build();
    setFocusProxy(m_ids);
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
    retranslate();
    updateButtons();
}

void AssignPanel::build()
{
    m_panel = new SVToolView(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->addWidget(m_panel);

    m_idsLabel = new QLabel(m_panel);
    m_ids = new QLineEdit(m_panel);
    m_ids->setMaxLength(200);
    m_idsLabel->setBuddy(m_ids);
    for (QWidget* widget : QList<QWidget*>{m_idsLabel, m_ids})
        setPixelFont(widget, contentFontPx);
    connect(m_ids, &QLineEdit::textEdited, this, [this] {
        m_stopped = false;
        showPlan();
    });
    connect(m_ids, &QLineEdit::returnPressed, this, [this] { start(); });
    const auto button = [this](void (AssignPanel::*action)()) {
        SVButton* made = actionButton(m_panel);
        connect(made, &SVButton::clicked, this, action);
        return made;
    };
    m_start = actionButton(m_panel);
    connect(m_start, &SVButton::clicked, this, [this] { start(); });
    m_stop = button(&AssignPanel::stop);
    m_redo = actionButton(m_panel);
    connect(m_redo, &SVButton::clicked, this, [this] {
        const int row = m_table->currentRow();
        if (row >= 0 && row < m_rows.size())
            start(m_rows[row].id);
    });
    m_close = button(&QWidget::hide);

    m_next = new QLabel(m_panel);
    setPixelFont(m_next, nextFontPx);
    m_next->setWordWrap(true);
    m_next->setStyleSheet(QStringLiteral("color: rgb(40, 40, 40);"));

    m_table = new QTableWidget(0, 3, m_panel);
    PageControls::styleTable(m_table, QAbstractItemView::SingleSelection, contentFontPx, rowHeight);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setStyleSheet(QStringLiteral("QTableView { background: white; border: none; }"));
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 40);
    m_table->setColumnWidth(1, 220);
    connect(m_table, &QTableWidget::currentCellChanged, this, &AssignPanel::updateButtons);

    m_status = new StatusLine(m_panel);
    setPixelFont(m_status, contentFontPx);
    m_status->setWordWrap(true);
    m_status->setMinimumHeight(32);
    m_status->setStyleSheet(QStringLiteral("color: rgb(64, 64, 64);"));

    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(10, 40, 10, 10);
    layout->setSpacing(8);
    auto* row = new QHBoxLayout;
    row->setSpacing(5);
    row->addWidget(m_idsLabel);
    row->addWidget(m_ids, 1);
    for (SVButton* action : {m_start, m_stop, m_redo, m_close})
        row->addWidget(action);
    layout->addLayout(row);
    layout->addWidget(m_next);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    setTabOrder(m_ids, m_start);
    setTabOrder(m_start, m_stop);
    setTabOrder(m_stop, m_table);
    setTabOrder(m_table, m_redo);
    setTabOrder(m_redo, m_close);
}

bool AssignPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

// Escape stops a run, or closes the panel when none runs.
void AssignPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return QWidget::keyPressEvent(event);
    if (m_running)
        stop();
    else
        hide();
}

void AssignPanel::retranslate()
{
    m_panel->lableTitle()->setText(textFor("assign_title"));
    m_idsLabel->setText(textFor("assign_ids"));
    m_ids->setPlaceholderText(textFor("assign_ids_example"));
    m_ids->setAccessibleName(textFor("assign_ids"));
    m_start->setTitle(textFor(m_stopped ? "assign_resume" : "assign_start"));
    m_stop->setTitle(textFor("assign_stop"));
    m_redo->setTitle(textFor("assign_redo"));
    m_close->setTitle(textFor("assign_close"));
    m_table->setHorizontalHeaderLabels({textFor("assign_col_id"), textFor("assign_col_name"), textFor("assign_col_state")});
    m_table->setAccessibleName(textFor("assign_title"));
    m_next->setAccessibleName(textFor("assign_next"));
    m_status->setCaption(textFor("robot_status"));
    for (const Joint& joint : m_rows)
        setRowState(joint.id, stateOf(joint.id));
    if (m_rows.isEmpty())
        setNext(textFor("assign_type_ids"));
}

// ---- The bus ----

void AssignPanel::setBusWorker(BusWorker* worker)
{
    if (worker == m_worker)
        return;
    for (const QMetaObject::Connection& connection : std::exchange(m_workerConnections, {}))
        disconnect(connection);
    m_worker = worker;
    m_running = false;
    if (m_worker)
        m_workerConnections = {connect(m_worker, &BusWorker::assignEvent, this, &AssignPanel::report),
                               connect(m_worker, &QObject::destroyed, this, [this] {
                                   // The port closed: no end of the run will come. The rows keep what
                                   // was done, and a write not read back stays marked written.
                                   if (m_running) {
                                       m_stopped = true;
                                       setNext(textFor("assign_stopped_title"));
                                       m_status->showText(textFor("robot_port_gone"));
                                       retranslate();
                                   }
                                   m_running = false;
                                   updateButtons();
                               })};
    else
        m_status->showText(textFor("assign_no_port"));
    updateButtons();
}

// "1-18", "3 4 5", "1,2, 7-9"; none when the text is not such a list.
std::optional<QList<int>> AssignPanel::typedIds() const
{
    const Result<QList<int>> ids = ServoIdList::parse(m_ids->text());
    return ids ? std::optional<QList<int>>(*ids) : std::nullopt;
}

void AssignPanel::showPlan()
{
    const std::optional<QList<int>> ids = typedIds();
    const Result<Plan> plan = ids ? makePlan(*ids) : Result<Plan>(Failure::usage({}));
    if (!plan) {
        setRows({});
        m_status->showText(m_ids->text().trimmed().isEmpty() ? QString() : textFor("assign_bad_ids"));
        updateButtons();
        return;
    }
    QList<Joint> joints = plan->joints;
    for (Joint& joint : joints)
        joint.name = ServoNames::shared().name(joint.id);
    setRows(joints);
    setNext(textWith("assign_connect", {label(joints.first())}));
    m_status->showText(plan->factoryIdMoved ? textWith("assign_factory_last", {QString::number(factoryId)}) : QString());
    updateButtons();
}

void AssignPanel::start(std::optional<int> redo)
{
    if (!m_worker || m_running)
        return;
    const std::optional<QList<int>> ids = typedIds();
    QMap<int, QString> names;
    for (int id : ids.value_or(QList<int>{}))
        names.insert(id, ServoNames::shared().name(id));
    const Result<Plan> plan = ids ? makePlan(*ids, names, redo) : Result<Plan>(Failure::usage({}));
    if (!plan) {
        m_status->showText(textFor("assign_bad_ids"));
        return;
    }
    m_running = true;
    m_worker->assignIds(*plan, [panel = QPointer(this)](const BusWorker::JobEnd& end) {
        if (panel)
            panel->jobFinished(end.portGone);
    });
    updateButtons();
}

void AssignPanel::stop()
{
    if (m_worker && m_running)
        m_worker->stop();
}

void AssignPanel::jobFinished(bool portGone)
{
    m_running = false;
    if (portGone)
        m_status->showText(textFor("robot_port_gone"));
    updateButtons();
}

// ---- Showing the run ----

void AssignPanel::report(const Event& event)
{
    if (const auto* e = std::get_if<Started>(&event)) {
        m_stopped = false;
        setRows(e->plan.joints);
        if (e->connectAlone)
            m_status->showText(textWith("assign_alone", {QString::number(factoryId)}));
        else
            m_status->showText(e->plan.factoryIdMoved ? textWith("assign_factory_last", {QString::number(factoryId)}) : QString());
    } else if (const auto* e = std::get_if<Recognised>(&event)) {
        setRowState(e->joint.id, RowState::Done);
    } else if (const auto* e = std::get_if<Waiting>(&event)) {
        setRowState(e->joint.id, RowState::ConnectNow);
        setNext(textWith("assign_connect", {label(e->joint)}));
        if (DemoServoBox* box = DemoServoBox::shared())
            box->connectNext();
    } else if (const auto* e = std::get_if<Found>(&event)) {
        m_status->showText(textWith("assign_found", {QString::number(e->servoId)}));
    } else if (const auto* e = std::get_if<TwoAtOnce>(&event)) {
        QStringList ids;
        for (int id : e->servoIds)
            ids.append(QString::number(id));
        m_status->showText(textWith("assign_two", {ids.join(QStringLiteral(", "))}));
    } else if (const auto* e = std::get_if<SharedId>(&event)) {
        m_status->showText(textWith(e->doneJoint ? "assign_shared_done" : "assign_shared", {QString::number(e->servoId)}));
    } else if (const auto* e = std::get_if<Written>(&event)) {
        setRowState(e->joint.id, RowState::Written);
    } else if (const auto* e = std::get_if<Done>(&event)) {
        setRowState(e->joint.id, RowState::Done);
        m_status->showText(textWith("assign_done", {label(e->joint)}));
    } else if (std::holds_alternative<Finished>(event)) {
        setNext(textFor("assign_all_done"));
    } else if (const auto* e = std::get_if<Stopped>(&event)) {
        m_stopped = true;
        for (const Joint& joint : e->notDone)
            setRowState(joint.id, RowState::NotDone);
        QString text = textWith("assign_stopped", {idList(e->done), idList(e->notDone)});
        if (e->unconfirmed)
            text += QLatin1Char(' ') + textWith("assign_unconfirmed", {QString::number(e->unconfirmed->fromId), QString::number(e->unconfirmed->joint.id)});
        setNext(textFor("assign_stopped_title"));
        m_status->showText(text);
        retranslate();
    }
}

void AssignPanel::setRows(const QList<Joint>& joints)
{
    m_rows = joints;
    m_states = QList<RowState>(joints.size(), RowState::NotDone);
    m_table->setRowCount(int(joints.size()));
    for (int row = 0; row < joints.size(); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(QString::number(joints[row].id)));
        m_table->setItem(row, 1, new QTableWidgetItem(joints[row].name));
        m_table->setItem(row, 2, new QTableWidgetItem);
        setRowState(joints[row].id, RowState::NotDone);
    }
}

void AssignPanel::setRowState(int id, RowState state)
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [id](const Joint& j) { return j.id == id; });
    if (found == m_rows.end())
        return;
    const int row = int(found - m_rows.begin());
    m_states[row] = state;
    QTableWidgetItem* item = m_table->item(row, 2);
    item->setText(textFor(stateKey(state)));
    item->setForeground(state == RowState::Done ? doneGreen : state == RowState::ConnectNow ? stopRed : QColor(64, 64, 64));
    if (state == RowState::ConnectNow)
        m_table->scrollToItem(item);
}

AssignPanel::RowState AssignPanel::stateOf(int id) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].id == id)
            return m_states[row];
    return RowState::NotDone;
}

void AssignPanel::setNext(const QString& text)
{
    m_next->setText(text);
}

void AssignPanel::updateButtons()
{
    const bool idle = m_worker && !m_running;
    setActionEnabled(m_start, idle && !m_rows.isEmpty());
    setActionEnabled(m_stop, m_running, stopRed);
    setActionEnabled(m_redo, idle && m_table->currentRow() >= 0);
    setActionEnabled(m_close, !m_running);
    m_ids->setEnabled(!m_running);
}

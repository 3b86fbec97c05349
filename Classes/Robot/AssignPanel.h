// The guided numbering of new servos over the Robot page: the IDs to give and their names, the one to
// connect next in large type, done or not done per row, Start or Resume, Stop, and Redo for one row.
// The run is the bus thread's (BusWorker::assignIds); the panel shows its events as they come.
#pragma once

#include "Api/Bus/BusWorker.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTableWidget;
class SVButton;
class SVToolView;
class StatusLine;

class AssignPanel : public QWidget {
    Q_OBJECT
public:
    // Row states, as the table shows them.
    enum class RowState { NotDone, ConnectNow, Written, Done };

    // Covers parent (the Robot page) and follows its size; Close hides it again.
    explicit AssignPanel(QWidget* parent);

    // The bus of the open port, or none.
    void setBusWorker(BusWorker* worker);
    void retranslate();
    // Starts (or resumes) the run of the IDs typed; redo gives only that row's ID again.
    void start(std::optional<int> redo = std::nullopt);
    void stop();
    bool isRunning() const { return m_running; }

    QLineEdit* idsEdit() const { return m_ids; }
    QTableWidget* table() const { return m_table; }
    QLabel* nextLabel() const { return m_next; }
    StatusLine* statusLabel() const { return m_status; }
    SVButton* buttonStart() const { return m_start; }
    SVButton* buttonStop() const { return m_stop; }
    SVButton* buttonRedo() const { return m_redo; }
    SVButton* buttonClose() const { return m_close; }
    RowState stateOf(int id) const;
    // Lists the IDs typed with their names, each not done, as before a start.
    void showPlan();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void report(const IdAssignment::Event& event);
    void setRows(const QList<IdAssignment::Joint>& joints);
    void setRowState(int id, RowState state);
    void setNext(const QString& text);
    void jobFinished(bool portGone);
    void updateButtons();
    std::optional<QList<int>> typedIds() const;

    QPointer<BusWorker> m_worker;
    QList<QMetaObject::Connection> m_workerConnections;
    bool m_running = false;
    bool m_stopped = false;  // a run has stopped before its end: Start resumes it
    QList<IdAssignment::Joint> m_rows;
    QList<RowState> m_states;

    SVToolView* m_panel = nullptr;
    QLabel* m_idsLabel = nullptr;
    QLineEdit* m_ids = nullptr;
    QLabel* m_next = nullptr;
    QTableWidget* m_table = nullptr;
    StatusLine* m_status = nullptr;
    SVButton* m_start = nullptr;
    SVButton* m_stop = nullptr;
    SVButton* m_redo = nullptr;
    SVButton* m_close = nullptr;
};

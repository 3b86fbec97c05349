// The Robot page: every servo of an assembled robot in one table, with names, trims and limits taught
// by hand. It works on the bus through the BusWorker of the open port (its scan shared with the
// Motion page), never through the controller's tags and texts; it never changes an ID and never
// sends to the broadcast address.
#pragma once

#include "Api/Bus/BusWorker.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/PageControls/FrozenColumnsTableView.h"

#include <QPointer>

class AssignPanel;
class BusAttachment;
class QLabel;
class QSpinBox;
class QTableView;
class RobotModel;
class SVButton;
class SVToolView;
class StatusLine;

class RobotPage : public SVBackGroundView {
    Q_OBJECT
public:
    // How often the live values are read while the page shows.
    static constexpr int refreshIntervalMs = 1000;
    static constexpr int centrePosition = 500;
    static constexpr int centreTimeMs = 1000;
    // The settings key of the robot file last opened or saved.
    static inline const QString robotFileKey = QStringLiteral("RobotFile");

    explicit RobotPage(QWidget* parent = nullptr);

    // The bus of the open port, or none; the page forgets the old one.
    void setBusWorker(BusWorker* worker);
    bool isRecording() const { return m_recording; }
    // Write changes runs: closing the port waits for its end, so that its outcome is shown.
    bool isWriting() const { return m_pending.contains(BusWorker::Job::WriteSettings); }
    // Ends a range recording: the torque comes back on and the ranges are offered as limits.
    void stopRecording();
    void retranslate();

    // Opens or saves a robot file, as Open… and Save… do after their dialog.
    void openFile(const QString& path);
    void saveFile(const QString& path);

    RobotModel* model() const { return m_model; }
    // Every servo and its settings; ID and name stay in view (its frozenView()).
    FrozenColumnsTableView* table() const { return m_table; }
    StatusLine* statusLabel() const { return m_status; }
    SVButton* buttonScan() const { return m_scan; }
    SVButton* buttonRead() const { return m_read; }
    SVButton* buttonWrite() const { return m_write; }
    SVButton* buttonCentre() const { return m_centre; }
    SVButton* buttonRecord() const { return m_record; }
    SVButton* buttonOpen() const { return m_open; }
    SVButton* buttonSave() const { return m_save; }
    SVButton* buttonAssign() const { return m_assign; }
    AssignPanel* assignPanel() const { return m_assignPanel; }
    // Opens the guided numbering of new servos over the page, as Assign IDs… does.
    AssignPanel* openAssignPanel();
    QSpinBox* marginBox() const { return m_margin; }
    QList<QWidget*> tabOrder() const;

signals:
    void recordingChanged(bool recording);
    void writingEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildButtons();
    void buildTables();
    QList<QMetaObject::Connection> connectWorker(BusWorker* worker);
    BusWorker* worker() const;
    void nameControls();

    void scan();
    void readSettings();
    void refresh();
    void writeChanges();
    void centre();
    void toggleRecording();
    void chooseFileToOpen();
    void chooseFileToSave();
    void rememberFile(const QString& path);
    void loadRememberedNames();

    // Gives a job through give, which passes the Done that brings its end back to this page.
    void post(BusWorker::Job job, const std::function<void(BusWorker::Done)>& give);
    void jobFinished(BusWorker::Job job, const Result<void>& result, bool portGone, bool ran);
    // What the status says of a job of this page that ended without its own report.
    QString endText(BusWorker::Job job, const Result<void>& result, bool ran) const;
    // The Motion page plays: nothing this page gives could go out before it stops.
    bool busTakenElsewhere() const;
    void showScanned(const BusScan::Outcome& outcome);
    void showWritten(const Result<RobotWrite::Outcome>& outcome);
    void showRangeStarted(const QList<int>& ids);
    void showRangeEnded(const Result<void>& result);
    void setRecording(bool recording);
    void updateButtons();
    void showStatus(const QString& text);
    bool busy() const;
    // The servos of the selected rows, or every listed servo when none is selected.
    QList<int> chosenIds() const;

    RobotModel* m_model;
    BusAttachment* m_bus;
    QList<BusWorker::Job> m_pending;  // this page's jobs not finished yet, in order
    bool m_recording = false;
    bool m_writeReported = false;  // the running write's outcome has been shown
    QList<int> m_centring;         // the servos the running Centre moves
    bool m_settingsUnread = false;  // a scan listed servos while the page was hidden
    QString m_filePath;

    SVToolView* m_panel = nullptr;
    FrozenColumnsTableView* m_table = nullptr;
    StatusLine* m_status = nullptr;
    QLabel* m_marginLabel = nullptr;
    SVButton* m_scan = nullptr;
    SVButton* m_read = nullptr;
    SVButton* m_write = nullptr;
    SVButton* m_centre = nullptr;
    SVButton* m_record = nullptr;
    SVButton* m_open = nullptr;
    SVButton* m_save = nullptr;
    SVButton* m_assign = nullptr;
    AssignPanel* m_assignPanel = nullptr;  // made on the first Assign IDs…
    QSpinBox* m_margin = nullptr;
};

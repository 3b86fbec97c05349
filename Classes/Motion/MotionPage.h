// The Motion page: the servos on the bus, a sequence of poses taught by hand or typed, played on the
// bus thread, and live plots of what the servos did. It works on the bus through the BusWorker of the
// open port, never through the controller's tags and texts.
#pragma once

#include "Api/Bus/BusWorker.h"
#include "Classes/Motion/CommandTracking.h"
#include "Classes/View/Background/SVBackGroundView.h"

#include <QMap>
#include <QPointer>
#include <QString>

class BusAttachment;
class FrozenColumnsTableView;
class HealthPlot;
class PositionPlot;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableView;
class QTimer;
class SVButton;
class SVToolView;
class SequenceModel;
class ServoListModel;
class StatusLine;

class MotionPage : public SVBackGroundView {
    Q_OBJECT
public:
    // How often the list and the plots are refreshed while the page shows and nothing plays.
    static constexpr int refreshIntervalMs = 1000;
    // The plots' redraw period while a sequence plays: 20 frames a second.
    static constexpr int playingRedrawMs = 50;
    static constexpr int maximumLoops = 999;
    // How often the list shows the newest positions read while a sequence plays.
    static constexpr int listUpdateMs = 250;
    // The servos the position plot draws when none is selected in the list: the first of the sequence.
    static constexpr int defaultPlottedServos = 6;

    explicit MotionPage(QWidget* parent = nullptr);
    ~MotionPage() override;

    // The bus of the open port, or none when no port is open; the page forgets the old one.
    void setBusWorker(BusWorker* worker);
    bool isPlaying() const { return m_playing; }
    // Stops what runs on the bus; a playing sequence leaves every servo holding where it is.
    void stop();
    // Sets every text again in the language in force.
    void retranslate();

    // Opens or saves a motion file, as the Open… and Save… buttons do after their dialog.
    void openFile(const QString& path);
    void saveFile(const QString& path);

    ServoListModel* servoModel() const { return m_servoModel; }
    SequenceModel* sequenceModel() const { return m_sequenceModel; }
    QTableView* servoView() const { return m_servoView; }
    // A FrozenColumnsTableView: Name, Time and Pause stay in view while the servo columns scroll.
    QTableView* sequenceView() const;
    PositionPlot* positionPlot() const { return m_positionPlot; }
    HealthPlot* healthPlot() const { return m_healthPlot; }
    SVToolView* sequencePanel() const { return m_sequencePanel; }
    StatusLine* statusLabel() const { return m_status; }
    SVButton* buttonScan() const { return m_scan; }
    SVButton* buttonCapture() const { return m_capture; }
    SVButton* buttonTorque() const { return m_torque; }
    SVButton* buttonGoTo() const { return m_goTo; }
    SVButton* buttonDelete() const { return m_delete; }
    SVButton* buttonUp() const { return m_up; }
    SVButton* buttonDown() const { return m_down; }
    SVButton* buttonOpen() const { return m_open; }
    SVButton* buttonSave() const { return m_save; }
    SVButton* buttonPlay() const { return m_play; }
    SVButton* buttonStop() const { return m_stop; }
    QSpinBox* loopsBox() const { return m_loops; }
    QCheckBox* untilStoppedBox() const { return m_untilStopped; }
    QDoubleSpinBox* speedBox() const { return m_speed; }
    // The controls in the order Tab visits them.
    QList<QWidget*> tabOrder() const;

signals:
    void playingChanged(bool playing);

protected:

private:
    void buildServoPanel();
    void buildSequencePanel();
    void buildPlotPanel();
    QList<QMetaObject::Connection> connectWorker(BusWorker* worker);
    BusWorker* worker() const;
    void nameControls();

    void scan();
    void refresh();
    void capture();
    void toggleTorque();
    void goToStep();
    void deleteStep();
    void moveStep(int delta);
    void chooseFileToOpen();
    void chooseFileToSave();
    void play();
    void startPlaying(const Motion& motion, const PlayOptions& options);

    // The end of a job this page gave, brought back by the Done that whenDone() makes.
    BusWorker::Done whenDone();
    void jobFinished(BusWorker::Job job, const Result<void>& result, bool portGone);
    bool busTakenElsewhere() const;
    void setTorqueReleased(bool released);
    void followCheckedServos();
    // The position plot draws the servos selected in the list, or by default the first of the sequence.
    void plotChosenServos();
    void followCurrentServo();
    void fitSequenceColumns();
    int widestValueWidth(int value) const;
    void showScanned(const BusScan::Outcome& outcome);
    void showStepStarted(int loop, int stepIndex);
    void showPosition(int servoId, int position, double seconds);
    void showSetPoint(int servoId, int position, double seconds);
    // A loop of the play has ended: the plot's tip gives each servo's largest tracking difference in it.
    void endTrackedLoop();
    void showNewestPositions();
    void showState(int servoId, const ServoAccess::LiveState& state);
    void showHealth(int servoId, int millivolts, int celsius, double seconds);
    void setPlaying(bool playing);
    void updateButtons();
    void updateSequenceTitle();
    void showStatus(const QString& text);
    QString failureText(BusWorker::Job job, const Failure& failure, bool portGone) const;
    double secondsSinceStart(double steadySeconds) const;
    int selectedStep() const;
    int selectedServo() const;

    ServoListModel* m_servoModel;
    SequenceModel* m_sequenceModel;
    double m_startSeconds;
    BusAttachment* m_bus;
    QTimer* m_listUpdate;
    QMap<int, int> m_newestPositions;
    bool m_playing = false;
    bool m_scanning = false;
    bool m_torqueReleased = false;
    int m_jobsRunning = 0;
    int m_stepsStarted = 0;
    int m_loopsToPlay = 1;
    Motion m_playingMotion;
    QList<int> m_playingRows;  // the table row of each step of the motion that plays
    CommandTracking m_tracking;
    QString m_filePath;

    SVToolView* m_servoPanel = nullptr;
    SVToolView* m_sequencePanel = nullptr;
    SVToolView* m_plotPanel = nullptr;
    QTableView* m_servoView = nullptr;
    FrozenColumnsTableView* m_sequenceView = nullptr;
    PositionPlot* m_positionPlot = nullptr;
    HealthPlot* m_healthPlot = nullptr;
    StatusLine* m_status = nullptr;
    QLabel* m_pollNote = nullptr;
    QLabel* m_loopsLabel = nullptr;
    QLabel* m_speedLabel = nullptr;
    SVButton* m_scan = nullptr;
    SVButton* m_capture = nullptr;
    SVButton* m_torque = nullptr;
    SVButton* m_goTo = nullptr;
    SVButton* m_delete = nullptr;
    SVButton* m_up = nullptr;
    SVButton* m_down = nullptr;
    SVButton* m_open = nullptr;
    SVButton* m_save = nullptr;
    SVButton* m_play = nullptr;
    SVButton* m_stop = nullptr;
    QSpinBox* m_loops = nullptr;
    QCheckBox* m_untilStopped = nullptr;
    QDoubleSpinBox* m_speed = nullptr;
};

// The main window controller: owns every panel and control of the window, builds the top bar, the
// connection panel and the pages, switches pages and language, and talks to the servo.
// Its code is split by role: construction and properties here and in SVSettingViewController.cpp,
// the pages in +Pages, language in +Language, page and window buttons in +Navigation, the servo
// control in +Actions, +Connection, +Workflows, +Sliders and +ReplyDecoding, and the bus of the Motion
// and Robot pages in +Motion.
#pragma once

#include "Api/Bus/BusWorker.h"
#include "Api/Bus/ReplyRouter.h"
#include "Api/Bus/SVReplyDecoder.h"
#include "Api/SVSerial.h"
#include "Api/SVStatePoll.h"
#include "Api/Source/DesktopNotifier.h"
#include "Api/Source/NotificationCenter.h"
#include "Api/Source/ORSSerialPort.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UserNotifier.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Dashboard/SVDashBoardGeometry.h"
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Classes/View/Text/SVObservableLabel.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageView.h"

#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class MotionPage;
class RobotPage;

class SVSettingViewController : public QObject, public ORSSerialPortDelegate {
    Q_OBJECT
public:
    // Control tags of the window, one numbering for all of it.
    enum Tag {
        TagLedSwitch = 998,
        TagDeviationPlaceholder = 999,
        TagSliderAngleOne = 1001,
        TagSliderAngleTwo = 1002,
        TagSliderVoltageOne = 1003,
        TagSliderVoltageTwo = 1004,
        TagSliderTemperature = 1005,
        TagSliderTime = 1006,
        TagSliderPostion = 1007,
        TagSliderSpeed = 1008,
        TagSliderDeviation = 1009,
        TagTextSpeed = 2001,
        TagTextDebuggingTime = 2002,
        TagTextDebuggingPostion = 2003,
        TagTextDeviation = 2004,
        TagButtonWireless = 3000,
        TagButtonMotor = 4001,
        TagButtonDefault = 5001,
        TagButtonSet = 5002,
        TagButtonRead = 5003,
        TagButtonOperator = 6001,
        TagButtonSetting = 6002,
        TagButtonAbout = 6003,
        TagButtonLanguage = 6004,
        TagButtonMotion = 6005,
        TagButtonStopMotion = 6006,
        TagButtonRobot = 6007,
        TagButtonExit = 9001,
        TagButtonMinimize = 9002,
    };

    // Delay of the start-up steps that follow the building of the view and its first showing.
    static constexpr int startupDelayMs = 10;

    explicit SVSettingViewController(QObject* parent = nullptr);
    ~SVSettingViewController() override;

    // The controller's view, built on first read: the pages (initUI), then the port manager
    // (initPortManager) and the links (initBind). When it is first shown, the texts are set once
    // more 10 ms later (reSetLanguage). The window may take the view; whichever of the window and the
    // controller goes first deletes it.
    QWidget* view();
    bool isViewLoaded() const { return m_view != nullptr; }

    // Delayed calls on the main thread that can all be cancelled at once.
    void performAfterDelay(int ms, std::function<void()> fn);
    void cancelPreviousPerformRequests();
    int pendingDelayedCallCount() const;

    // Top bar and pages.
    QWidget* viewTop();
    SVButton* buttonOperator();
    SVButton* buttonSetting();
    SVButton* buttonAbout();
    SVButton* buttonMotion();
    SVButton* buttonRobot();
    SVButton* buttonLanguage();
    // Shown in the top bar while a sequence plays, whichever page is shown.
    SVButton* buttonStopMotion();
    SVToolView* viewNotline();
    SVBackGroundView* viewBasicOperation();
    SVBackGroundView* viewSetting();
    SVBackGroundView* viewAbout();
    MotionPage* viewMotion();
    RobotPage* viewRobot();

    // Display name of the interface language in force ("English", "中文", "繁體").
    QString language() const { return m_language; }
    // Makes a display name the language in force: saves it and its code, posts
    // SVChangeLanguageNotification and re-sets every text. Nothing happens when it is already in force.
    void setLanguage(const QString& language);
    // Sets every text of the window again in the language in force.
    void reSetLanguage();

    // Connection.
    ORSSerialPortManager* serialPortManager() const { return m_serialPortManager; }
    void setSerialPortManager(ORSSerialPortManager* manager) { m_serialPortManager = manager; }
    ORSSerialPort::Ptr serialPort() const { return m_serialPort; }
    QList<int> availableBaudRates() const { return m_availableBaudRates; }
    void setAvailableBaudRates(const QList<int>& rates) { m_availableBaudRates = rates; }
    SVSerial& serialApi() { return *m_serialApi; }
    SVImageView* imageWirelessState();
    SVButton* buttonWireless();
    QLabel* labelBps();
    QComboBox* boxBps();
    QComboBox* boxCOM();

    // Basic operation page.
    SVToolView* viewIDOperator();
    BRNumberField* textIDOperator();
    QLabel* labelRange();
    SVToolView* viewSteeringDebugging();
    SVSegmentedControl* sege();
    BRNumberField* textDebuggingtime();
    QLabel* debuggingtime();
    SVSlider* sliderTime();
    BRNumberField* textDebuggingPostion();
    QLabel* debuggingPostion();
    SVSlider* sliderPostion();
    QWidget* viewMotorSpeed();
    QLabel* lableSpeed();
    BRNumberField* textSpeed();
    SVSlider* sliderSpeed();
    SVToolView* viewMotorOperator();
    SVButton* buttonMotor();
    SVToolView* viewGetState();
    SVDashBoardView* dash();
    QLabel* lableCurrentVoltage();
    SVBaseTextField* textCurrentVoltage();
    SVDashBoardPostionView* dashPostion();
    QLabel* lableCurrentPostion();
    SVBaseTextField* textCurrentPosition();
    SVDashBoardTemperatureView* dashTemperature();
    QLabel* lableCurrentTemperature();
    SVBaseTextField* textCurrentTemperature();

    // Parameter page.
    SVToolView* viewID();
    BRNumberField* textID();
    SVToolView* viewAngleDeviation();
    BRNumberField* textDeviation();
    SVSlider* sliderDeviation();
    SVToolView* viewLEDControl();
    ITSwitch* switchLed();
    QLabel* labelLED();
    SVImageView* imageLEDState();
    SVToolView* viewLEDAlert();
    QLabel* labelOverTemperature();
    ITSwitch* switchOverTemperature();
    QLabel* labelOverpressure();
    ITSwitch* switchOverpressure();
    QLabel* labelStall();
    ITSwitch* switchStall();
    SVToolView* viewAngleAdjustment();
    SVObservableLabel* lableAngleTop();
    SVSlider* sliderAngleOne();
    SVSlider* sliderAngleTwo();
    SVObservableLabel* lableAngleBottom();
    SVToolView* viewVoltageAdjustment();
    SVObservableLabel* lableVoltageRangeMin();
    SVSlider* sliderVoltageOne();
    SVObservableLabel* lableVoltageRangeMax();
    SVSlider* sliderVoltageTwo();
    SVToolView* viewTemperatureAdjustment();
    SVObservableLabel* lableTemperatureRange();
    SVSlider* sliderTemperature();

    // About page.
    QLabel* labelVersion();
    QLabel* labelCopyright();
    QLabel* labelOfficialWebsite();
    QLabel* labelCourse();
    QLabel* labelOnlineShoppingMall();

    // Write workflow's progress bar, built on first read and placed above the "set" button.
    SVProgressView* myprogress();
    static constexpr QSize progressSize { 161, 30 };
    // The thermometer keeps the proportions of its image at a width of 50.
    static constexpr QSizeF temperatureGaugeSize {
        50, 50 * SVDashBoardGeometry::temperatureImageHeight / SVDashBoardGeometry::temperatureImageWidth };
    // The read, set and default buttons under the parameter panels.
    static constexpr QSize settingButtonSize { 160, 36 };

    // The first view of the window with this tag (the view itself included), or null.
    QWidget* viewWithTag(int tag);

    // Servo values shown by the window.
    bool motorLoad() const { return m_motorLoad; }
    void setMotorLoad(bool load) { m_motorLoad = load; }
    // The bytes of the last received chunk, each as decimal text.
    QStringList& dataReturns() { return m_dataReturns; }
    qint64 currentTemperature() const { return m_currentTemperature; }
    void setCurrentTemperature(qint64 value) { m_currentTemperature = value; }
    float currentVoltage() const { return m_currentVoltage; }
    void setCurrentVoltage(float value) { m_currentVoltage = value; }
    qint64 currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(qint64 value) { m_currentPosition = value; }

    // Page and window buttons.
    void showBasicOperationPage();
    void showSettingPage();
    void showAboutPage();
    void showMotionPage();
    void showRobotPage();
    void exitWindow();
    void minimizeWindow();
    // A double-click on the top bar maximizes the window or restores it, as on a title bar.
    void maximizeOnDoubleClick(QWidget* bar);
    // The language toggle: English when Simplified Chinese is in force, else Simplified Chinese.
    void toggleLanguage();

    // The mode control picked a segment: 0 servo mode, 1 motor mode.
    Q_INVOKABLE void selectTitleIndex(int index);

    // The text of key in the table "Localizable" of the language in force.
    static QString localized(const QString& key);

    // Servo control: implemented in +Actions, +Connection, +Workflows, +Sliders, +ReplyDecoding
    // Longest wait for the answer to a read; how long the write button stays disabled.
    static constexpr int readTimeoutMs = 2000;
    static constexpr int writeButtonPauseMs = 1000;

    // Connection (+Connection).
    // Chooses the port to talk to (never opens it); the encoder follows.
    void setSerialPort(ORSSerialPort::Ptr port);
    void initPortManager();
    void initBind();
    void serialPortsWereConnected(const Notification& notification);
    void serialPortsWereDisconnected(const Notification& notification);
    void postUserNotificationForConnectedPorts(const ORSSerialPortList& ports);
    void postUserNotificationForDisconnectedPorts(const ORSSerialPortList& ports);
    // Where desktop notifications go: a DesktopNotifier on the session bus unless one was set (not
    // owned; it must outlive the controller's use).
    UserNotifier* userNotifier();
    void setUserNotifier(UserNotifier* notifier);

    void serialPortWasOpened(ORSSerialPort* port) override;
    void serialPortWasClosed(ORSSerialPort* port) override;
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override;
    // Bytes read from the line go to its one reader, the reply router, which hands back the replies
    // nobody else awaits (showReplies). While the port is open its reader thread feeds the router
    // directly; these are for bytes handed to the controller itself.
    void serialPortDidReceiveData(ORSSerialPort* port, const QByteArray& data) override;
    void serialPortDidReceiveDataReadAt(ORSSerialPort* port, const QByteArray& data,
                                        std::chrono::steady_clock::time_point readTime) override;
    void serialPortDidEncounterError(ORSSerialPort* port, const ORSSerialPortError& error) override;

    // The bus of the open port (+Motion): the Motion and Robot pages' jobs, and the owner of the
    // line's reader.
    BusWorker* busWorker() const { return m_busWorker.get(); }

    // Workflows (+Workflows).
    // False, after the tip "connect_tips", for the read and write buttons while no port is open.
    bool checkState(QObject* sender);
    // True, after the tip "bus_taken", while a play or a range recording keeps the bus: a frame
    // queued now would go out only after the stop and move a servo the play has just held.
    bool refusedWhileBusTaken();
    // The eight frames that write the parameter page to the servo.
    void sendWriteServoInfo();
    // Puts the parameter page's defaults into its controls; sends nothing.
    void reSet();
    // The read has had no answer: the tip "read_fail". The object is not read.
    void timeoutMethod(const QString& object);
    // Starts the state poll of the chosen port (one loop per controller).
    void setStateCheck();
    const SVStatePoll* statePoll() const { return m_statePoll.get(); }
    // The pause of the state poll; takes effect when the poll is first started.
    void setStatePollInterval(std::chrono::milliseconds interval) { m_statePollInterval = interval; }
    // Puts the three gauges and their read-outs back to their starting values.
    void reSetDash();

    // Reply decoding (+ReplyDecoding): one whole reply frame, its bytes as texts in dataReturns.
    void analysisDidRecvData(const uint8_t* bytes, int length);
    // The effect of one reply, given its bytes as texts and its command.
    void solveDidRecvData(QStringList data, int cmd);
    // Writes a decoded reply's value into the controls that show it.
    void showReplyValue(const SVReplyValue::Value& value);
    // The replies the router hands over, in the order they came.
    void showReplies(const QList<ReplyRouter::Heard>& heard);

public slots:
    // Every button, switch and numeric field reports here; the sender's tag says what to do.
    void buttonClick(QObject* sender);
    // Every slider reports here.
    void sliderClick(QObject* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewDidLoad();
    void viewDidAppear();
    // Names every control for assistive technology, renews the names on each language change, and
    // sets the Tab order (+Accessibility).
    void initAccessibility();
    void initUI();
    void addStatusPanel();
    void placeProgress();
    void setButtons();
    void placeBasicOperationPanels();
    void placeSettingPanels();
    // Range sliders follow the number in their label, and their label follows them.
    void bindRangeSliders();
    // The saved display name of the language, or "English" when none is saved.
    void loadSavedLanguage();
    void buildTopBar();
    void buildConnectionPanel();
    void buildIDOperatorPanel();
    void buildSteeringDebuggingPanel();
    void buildMotorSpeedPanel();
    void buildMotorOperatorPanel();
    void buildGetStatePanel();
    void buildIDPanel();
    void buildAngleDeviationPanel();
    void buildLEDControlPanel();
    void buildLEDAlertPanel();
    void buildAngleAdjustmentPanel();
    void buildVoltageAdjustmentPanel();
    void buildTemperatureAdjustmentPanel();
    void buildAboutPage();
    void refreshConnectionPanelTexts();
    QString versionText() const;
    static QString copyrightText();
    // The about page's links: the key of the title, the address, and the property that keeps the label.
    struct AboutLink {
        QString key;
        QString address;
        QPointer<QLabel> SVSettingViewController::*property;
    };
    static QList<AboutLink> aboutLinks();
    void setPagesVisible(bool basic, bool setting, bool about, bool motion = false, bool robot = false);
    void buildMotionPage();
    void buildRobotPage();
    void startBusWorker();
    void endBusWorker();
    // Runs then once nothing plays on the bus any more: at once, or after a playing sequence has
    // stopped and its servos hold where they are, and after a range recording has switched the
    // torque back on.
    void afterMotionStops(std::function<void()> then);
    void showMotionPlaying(bool playing);

    static QIcon imageNamed(const QString& name);
    void bindPortList();
    void bindBaudRateList();
    void showChosenPortInList();
    void updateButtonWirelessEnabled();
    void showLedState(bool on);
    void openOrCloseSerialPort();
    void showPortClosed();
    void showOpenFailure(const ORSSerialPortError& error);
    // Tells once per port and run what the adapter's latency timer costs, when it is above 1 ms.
    void showLatencyHint(const ORSSerialPort& port);
    void postUserNotifications(const ORSSerialPortList& ports, const QString& titleKey, const QString& phraseKey);
    // The Parameters page reads and writes by the broadcast ID, which every servo on the bus takes:
    // then runs once the bus thread has seen whether one servo alone answers it.
    void findLoneServo(std::function<void(LoneServo::Census)> then);
    void showSeveralServos();
    void readServo();
    // Counts a decoded reply towards the block read; at its end, the key of the tip that says how it went.
    QString blockReadReplyArrived(int command);
    void forgetBlockReads();
    void writeServo(QObject* writeButton);
    void sendWriteGroup();
    void writeFinished(const SVSerial::WriteReport& report);
    void reportLanguageNotSaved();
    void toggleMotorLoad();
    void sendLedSwitch();
    void sendStateReads();
    QString speedTextForSlider();
    void enterValue(int tag);

    QPointer<QWidget> m_view;
    bool m_viewAppeared = false;
    QList<QPointer<QTimer>> m_delayedCalls;

    QString m_language;
    ORSSerialPortManager* m_serialPortManager = nullptr;
    ORSSerialPort::Ptr m_serialPort;
    QList<int> m_availableBaudRates;
    std::unique_ptr<SVSerial> m_serialApi;

    bool m_motorLoad = false;
    QStringList m_dataReturns;
    qint64 m_currentTemperature = 0;
    float m_currentVoltage = 0;
    qint64 m_currentPosition = 0;

    QPointer<QWidget> m_viewTop;
    QPointer<SVButton> m_buttonOperator;
    QPointer<SVButton> m_buttonSetting;
    QPointer<SVButton> m_buttonAbout;
    QPointer<SVButton> m_buttonMotion;
    QPointer<SVButton> m_buttonRobot;
    QPointer<SVButton> m_buttonLanguage;
    QPointer<SVButton> m_buttonStopMotion;
    QPointer<SVToolView> m_viewNotline;
    QPointer<SVBackGroundView> m_viewBasicOperation;
    QPointer<SVBackGroundView> m_viewSetting;
    QPointer<SVBackGroundView> m_viewAbout;
    QPointer<MotionPage> m_viewMotion;
    QPointer<RobotPage> m_viewRobot;

    QPointer<SVImageView> m_imageWirelessState;
    QPointer<SVButton> m_buttonWireless;
    QPointer<QLabel> m_labelBps;
    QPointer<QComboBox> m_boxBps;
    QPointer<QComboBox> m_boxCOM;

    QPointer<SVToolView> m_viewIDOperator;
    QPointer<BRNumberField> m_textIDOperator;
    QPointer<QLabel> m_labelRange;
    QPointer<SVToolView> m_viewSteeringDebugging;
    QPointer<SVSegmentedControl> m_sege;
    QPointer<BRNumberField> m_textDebuggingtime;
    QPointer<QLabel> m_debuggingtime;
    QPointer<SVSlider> m_sliderTime;
    QPointer<BRNumberField> m_textDebuggingPostion;
    QPointer<QLabel> m_debuggingPostion;
    QPointer<SVSlider> m_sliderPostion;
    QPointer<QWidget> m_viewMotorSpeed;
    QPointer<QLabel> m_lableSpeed;
    QPointer<BRNumberField> m_textSpeed;
    QPointer<SVSlider> m_sliderSpeed;
    QPointer<SVToolView> m_viewMotorOperator;
    QPointer<SVButton> m_buttonMotor;
    QPointer<SVToolView> m_viewGetState;
    QPointer<SVDashBoardView> m_dash;
    QPointer<QLabel> m_lableCurrentVoltage;
    QPointer<SVBaseTextField> m_textCurrentVoltage;
    QPointer<SVDashBoardPostionView> m_dashPostion;
    QPointer<QLabel> m_lableCurrentPostion;
    QPointer<SVBaseTextField> m_textCurrentPosition;
    QPointer<SVDashBoardTemperatureView> m_dashTemperature;
    QPointer<QLabel> m_lableCurrentTemperature;
    QPointer<SVBaseTextField> m_textCurrentTemperature;

    QPointer<SVToolView> m_viewID;
    QPointer<BRNumberField> m_textID;
    QPointer<SVToolView> m_viewAngleDeviation;
    QPointer<BRNumberField> m_textDeviation;
    QPointer<SVSlider> m_sliderDeviation;
    QPointer<SVToolView> m_viewLEDControl;
    QPointer<ITSwitch> m_switchLed;
    QPointer<QLabel> m_labelLED;
    QPointer<SVImageView> m_imageLEDState;
    QPointer<SVToolView> m_viewLEDAlert;
    QPointer<QLabel> m_labelOverTemperature;
    QPointer<ITSwitch> m_switchOverTemperature;
    QPointer<QLabel> m_labelOverpressure;
    QPointer<ITSwitch> m_switchOverpressure;
    QPointer<QLabel> m_labelStall;
    QPointer<ITSwitch> m_switchStall;
    QPointer<SVToolView> m_viewAngleAdjustment;
    QPointer<SVObservableLabel> m_lableAngleTop;
    QPointer<SVSlider> m_sliderAngleOne;
    QPointer<SVSlider> m_sliderAngleTwo;
    QPointer<SVObservableLabel> m_lableAngleBottom;
    QPointer<SVToolView> m_viewVoltageAdjustment;
    QPointer<SVObservableLabel> m_lableVoltageRangeMin;
    QPointer<SVSlider> m_sliderVoltageOne;
    QPointer<SVObservableLabel> m_lableVoltageRangeMax;
    QPointer<SVSlider> m_sliderVoltageTwo;
    QPointer<SVToolView> m_viewTemperatureAdjustment;
    QPointer<SVObservableLabel> m_lableTemperatureRange;
    QPointer<SVSlider> m_sliderTemperature;

    QPointer<QLabel> m_labelVersion;
    QPointer<QLabel> m_labelCopyright;
    QPointer<QLabel> m_labelOfficialWebsite;
    QPointer<QLabel> m_labelCourse;
    QPointer<QLabel> m_labelOnlineShoppingMall;

    QPointer<SVProgressView> m_myprogress;
    QPointer<QWidget> m_progressAnchor;  // the "set" button the progress bar sits above

    int m_blockReadsStarted = 0;      // ID replies whose deviation reply has not come yet
    QSet<int> m_blockReadReplies;     // the other replies of the block read that have come
    ORSSerialPort* m_failedOpen = nullptr;  // the port whose open just failed, until its error arrives
    QSet<QString> m_latencyHintShown;  // paths of the ports whose latency hint has been shown
    bool m_languageNotSavedShown = false;
    UserNotifier* m_userNotifier = nullptr;
    std::unique_ptr<DesktopNotifier> m_desktopNotifier;
    std::chrono::milliseconds m_statePollInterval = SVStatePoll::defaultInterval;
    // Set while a pass's reads still wait in the encoder's queue; the queue clears it behind them.
    std::shared_ptr<std::atomic<bool>> m_stateReadsQueued = std::make_shared<std::atomic<bool>>(false);
    ReplyRouter m_replies;  // the line's one reader; outlives the bus worker that the port feeds it through
    std::unique_ptr<BusWorker> m_busWorker;
    std::unique_ptr<SVStatePoll> m_statePoll;  // last: its loop ends before the rest goes
};

// The bus of the Motion and Robot pages: a bus for each open port, its jobs on the encoder's queue, the port's
// removal and errors passed on to it, the top bar's stop button, and closing the port or the window only after
// a playing sequence has stopped, a range recording has ended and a settings write has finished.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"
#include "Tools/SVButton.h"

void SVSettingViewController::buildMotionPage()
{
    m_viewMotion = new MotionPage;
    connect(m_viewMotion, &MotionPage::playingChanged, this, &SVSettingViewController::showMotionPlaying);
}

void SVSettingViewController::buildRobotPage()
{
    m_viewRobot = new RobotPage;
}

void SVSettingViewController::startBusWorker()
{
    if (!m_serialPort || !m_serialPort->isOpen())
        return;
    m_busWorker = std::make_unique<BusWorker>(m_serialPort, serialApi().queue(), m_replies);
    viewMotion()->setBusWorker(m_busWorker.get());
    viewRobot()->setBusWorker(m_busWorker.get());
}

void SVSettingViewController::endBusWorker()
{
    if (m_viewMotion)
        m_viewMotion->setBusWorker(nullptr);
    if (m_viewRobot)
        m_viewRobot->setBusWorker(nullptr);
    m_busWorker.reset();
}

void SVSettingViewController::afterMotionStops(std::function<void()> then)
{
    if (m_busWorker && m_viewRobot && m_viewRobot->isWriting()) {
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(m_viewRobot, &RobotPage::writingEnded, this, [this, once, then = std::move(then)] {
            disconnect(*once);
            afterMotionStops(then);
        });
        return;
    }
    if (m_busWorker && m_viewRobot && m_viewRobot->isRecording()) {
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(m_viewRobot, &RobotPage::recordingChanged, this, [this, once, then = std::move(then)](bool recording) {
            if (recording)
                return;
            disconnect(*once);
            afterMotionStops(then);
        });
        m_viewRobot->stopRecording();
        return;
    }
    if (!m_busWorker || !m_viewMotion || !m_viewMotion->isPlaying()) {
        then();
        return;
    }
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(m_viewMotion, &MotionPage::playingChanged, this, [this, once, then = std::move(then)](bool playing) {
        if (playing)
            return;
        disconnect(*once);
        then();
    });
    m_viewMotion->stop();
}

void SVSettingViewController::showMotionPlaying(bool playing)
{
    if (m_buttonStopMotion)
        m_buttonStopMotion->setVisible(playing);
}

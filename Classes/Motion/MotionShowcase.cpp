#include "Classes/Motion/MotionShowcase.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/VC/SVSettingViewController.h"
#include "VirtualServo/SVDemoServo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

namespace {

constexpr int stepMs = 300;          // between the stages of opening and scanning
constexpr int scanWaitLimit = 50;    // stages of waiting for the scan, at most
constexpr int playingMs = 9000;      // time for the plots to fill

// A wave: each servo in turn swings out and back, the next one a step behind.
Motion wave(const QList<int>& ids)
{
    static const QList<int> swing{250, 750, 500, 300, 700};
    Motion motion;
    motion.repeat = 0;
    for (qsizetype step = 0; step < swing.size(); ++step) {
        MotionStep made;
        made.name = QStringLiteral("wave %1").arg(step + 1);
        made.timeMs = 700;
        made.pauseMs = 150;
        for (qsizetype servo = 0; servo < ids.size(); ++servo)
            made.positions.insert(ids[servo], swing[(step + servo) % swing.size()]);
        motion.steps.append(made);
    }
    return motion;
}

void waitForScan(SVSettingViewController& controller, std::function<void()> ready, int stagesLeft)
{
    MotionPage* page = controller.viewMotion();
    const bool scanned = page->servoModel()->rowCount() > 0 && page->buttonScan()->isEnabled();
    if (!scanned && stagesLeft > 0) {
        QTimer::singleShot(stepMs, page, [&controller, ready, stagesLeft] { waitForScan(controller, ready, stagesLeft - 1); });
        return;
    }
    if (page->servoModel()->rowCount() == 0) {
        ready();
        return;
    }
    page->sequenceModel()->setMotion(wave(page->servoModel()->ids()));
    page->sequenceModel()->markSaved();
    page->untilStoppedBox()->setChecked(true);
    page->buttonPlay()->click();
    QTimer::singleShot(playingMs, page, ready);
}

}  // namespace

namespace MotionShowcase {

bool openDemoBus(SVSettingViewController& controller)
{
    QComboBox* ports = controller.boxCOM();
    const int demo = ports->findText(SVDemoServo::busPortName);
    if (demo < 0)
        return false;
    ports->setCurrentIndex(demo);
    emit ports->activated(demo);  // as when the user picks it
    controller.buttonWireless()->click();
    return true;
}

void start(SVSettingViewController& controller, std::function<void()> ready)
{
    if (!openDemoBus(controller)) {
        ready();
        return;
    }
    QTimer::singleShot(stepMs, controller.viewMotion(), [&controller, ready] {
        controller.viewMotion()->buttonScan()->click();
        waitForScan(controller, ready, scanWaitLimit);
    });
}

void finish(SVSettingViewController& controller, std::function<void()> done)
{
    MotionPage* page = controller.viewMotion();
    if (!page->isPlaying()) {
        done();
        return;
    }
    QObject::connect(page, &MotionPage::playingChanged, page, [done](bool playing) {
        if (!playing)
            done();
    });
    page->stop();
}

}  // namespace MotionShowcase

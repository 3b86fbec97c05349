#include "Classes/Robot/RobotShowcase.h"

#include "Classes/Motion/MotionShowcase.h"
#include "Classes/Robot/RobotModel.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/SVButton.h"

#include <QTableView>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int stepMs = 300;        // between the stages of opening, scanning and reading
constexpr int waitStageLimit = 50;  // stages of waiting for the table, at most

bool tableFilled(RobotPage* page)
{
    const QList<int> ids = page->model()->ids();
    return !ids.isEmpty() && page->buttonWrite()->isEnabled()
        && std::all_of(ids.begin(), ids.end(), [page](int id) { return page->model()->hasStored(id); });
}

void waitForTable(RobotPage* page, std::function<void()> ready, int stagesLeft)
{
    if (!tableFilled(page) && stagesLeft > 0) {
        QTimer::singleShot(stepMs, page, [page, ready, stagesLeft] { waitForTable(page, ready, stagesLeft - 1); });
        return;
    }
    page->table()->clearSelection();
    ready();
}

}  // namespace

namespace RobotShowcase {

void start(SVSettingViewController& controller, std::function<void()> ready)
{
    if (!MotionShowcase::openDemoBus(controller)) {
        ready();
        return;
    }
    RobotPage* page = controller.viewRobot();
    QTimer::singleShot(stepMs, page, [page, ready] {
        page->buttonScan()->click();
        waitForTable(page, ready, waitStageLimit);
    });
}

}  // namespace RobotShowcase

// The page tabs and the window buttons of the top bar. None of them needs an open port.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/View/Background/SVBackGroundView.h"

#include "Classes/View/Window/SVWindow.h"

#include <QMouseEvent>
#include <QWidget>

namespace {

// Runs an action on a left double-click that reaches the widget watched.
class DoubleClickWatcher : public QObject {
public:
    DoubleClickWatcher(QWidget* watched, std::function<void()> action)
        : QObject(watched)
        , m_action(std::move(action))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonDblClick || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return QObject::eventFilter(watched, event);
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

}  // namespace

void SVSettingViewController::setPagesVisible(bool basic, bool setting, bool about, bool motion, bool robot)
{
    viewRobot()->setVisible(robot);
    viewSetting()->setVisible(setting);
    viewBasicOperation()->setVisible(basic);
    viewAbout()->setVisible(about);
    viewMotion()->setVisible(motion);
}

void SVSettingViewController::showBasicOperationPage()
{
    setPagesVisible(true, false, false);
}

void SVSettingViewController::showSettingPage()
{
    setPagesVisible(false, true, false);
}

void SVSettingViewController::showAboutPage()
{
    setPagesVisible(false, false, true);
}

void SVSettingViewController::showMotionPage()
{
    setPagesVisible(false, false, false, true);
}

void SVSettingViewController::showRobotPage()
{
    setPagesVisible(false, false, false, false, true);
}

// Closing the main window ends the application; a playing sequence stops first, with its servos
// holding where they are.
void SVSettingViewController::exitWindow()
{
    afterMotionStops([this] {
        if (m_view)
            m_view->window()->close();
    });
}

void SVSettingViewController::minimizeWindow()
{
    if (m_view)
        m_view->window()->showMinimized();
}

void SVSettingViewController::maximizeOnDoubleClick(QWidget* bar)
{
    new DoubleClickWatcher(bar, [this] {
        if (auto* window = m_view ? qobject_cast<SVWindow*>(m_view->window()) : nullptr)
            window->toggleMaximized();
    });
}

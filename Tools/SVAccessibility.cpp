#include "Tools/SVAccessibility.h"

#include "Classes/View/Dashboard/SVDashBoardAccessible.h"
#include "Classes/View/ITSwitch/ITSwitchAccessible.h"
#include "Classes/View/ModeWindow/ModeWindowAccessible.h"
#include "Classes/View/PageControls/StatusLineAccessible.h"
#include "Classes/View/Progress/SVProgressViewAccessible.h"
#include "Classes/View/Segmented/SVSegmentedControlAccessible.h"
#include "Classes/View/Slider/SVSliderAccessible.h"
#include "Classes/View/Text/SVBaseTextFieldAccessible.h"
#include "Classes/View/ToolView/SVToolViewAccessible.h"
#include "Tools/SVButtonAccessible.h"

#include "Classes/View/Dashboard/SVDashBoardDial.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/SVButton.h"

#include <QAccessible>

namespace {

AccessibilityEventWatcher& eventWatcher()
{
    static AccessibilityEventWatcher watcher;
    return watcher;
}

// Qt asks with the name of the object's class first, then of each base class in turn, so a class
// registered here also serves the classes derived from it (SVImageTitleButton from SVButton, the
// two dials from SVDashBoardDial).
QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("SVSlider"))
        return new SVSliderAccessible(static_cast<SVSlider*>(widget));
    if (className == QLatin1String("ITSwitch"))
        return new ITSwitchAccessible(static_cast<ITSwitch*>(widget));
    if (className == QLatin1String("SVSegmentedControl"))
        return new SVSegmentedControlAccessible(static_cast<SVSegmentedControl*>(widget));
    if (className == QLatin1String("SVDashBoardDial") || className == QLatin1String("SVDashBoardTemperatureView"))
        return new SVDashBoardAccessible(widget);
    if (className == QLatin1String("SVButton"))
        return new SVButtonAccessible(static_cast<SVButton*>(widget));
    if (className == QLatin1String("SVBaseTextField"))
        return new SVBaseTextFieldAccessible(static_cast<SVBaseTextField*>(widget));
    if (className == QLatin1String("SVToolView"))
        return new SVToolViewAccessible(static_cast<SVToolView*>(widget));
    if (className == QLatin1String("SVProgressView"))
        return new SVProgressViewAccessible(static_cast<SVProgressView*>(widget));
    if (className == QLatin1String("ModeWindow"))
        return new ModeWindowAccessible(static_cast<ModeWindow*>(widget));
    if (className == QLatin1String("StatusLine"))
        return new StatusLineAccessible(static_cast<StatusLine*>(widget));
    return nullptr;
}

}  // namespace

void installAccessibilityFactories()
{
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

void announceAccessibilityEvent(QAccessibleEvent& event)
{
    if (eventWatcher())
        eventWatcher()(event);
    // Qt builds the element's accessible interface for every notice, listened to or not; a gauge
    // changes once a second, so notices go to Qt only while assistive technology is active.
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(&event);
}

void setAccessibilityEventWatcher(AccessibilityEventWatcher watcher)
{
    eventWatcher() = std::move(watcher);
}

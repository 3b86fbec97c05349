// What assistive technology (screen readers, automation over AT-SPI) sees of the window's own
// painted controls. One factory maps each control class to its accessible interface; the
// application and the widget tests install it once at start.
#pragma once

#include <functional>

class QAccessibleEvent;

// Safe to call more than once: the factory is registered the first time only.
void installAccessibilityFactories();

// Tells assistive technology about a change of a control (Qt passes it on only while assistive
// technology listens). A watcher, when one is set, sees every such notice too: tests use it, since
// no assistive technology listens to an offscreen window.
void announceAccessibilityEvent(QAccessibleEvent& event);
using AccessibilityEventWatcher = std::function<void(QAccessibleEvent& event)>;
void setAccessibilityEventWatcher(AccessibilityEventWatcher watcher);  // an empty one removes it

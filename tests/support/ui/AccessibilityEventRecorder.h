// Records the accessibility notices the controls send while it lives. No assistive technology
// listens to an offscreen window, so it watches them where the controls announce them.
#pragma once

#include "Tools/SVAccessibility.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QList>
#include <QPointer>

class AccessibilityEventRecorder {
public:
    struct Event {
        QAccessible::Event type;
        QPointer<QObject> object;
        QString name;  // the name of the element the event is about, as it was when sent
        QAccessible::Role role;
    };

    AccessibilityEventRecorder()
    {
        setAccessibilityEventWatcher([this](QAccessibleEvent& event) {
            QAccessibleInterface* element = event.accessibleInterface();
            events.append({event.type(), event.object(), element ? element->text(QAccessible::Name) : QString(),
                           element ? element->role() : QAccessible::NoRole});
        });
    }
    ~AccessibilityEventRecorder() { setAccessibilityEventWatcher({}); }
    AccessibilityEventRecorder(const AccessibilityEventRecorder&) = delete;
    AccessibilityEventRecorder& operator=(const AccessibilityEventRecorder&) = delete;

    QList<Event> events;

    QList<Event> eventsOf(QAccessible::Event type) const
    {
        QList<Event> found;
        for (const Event& event : events) {
            if (event.type == type)
                found.append(event);
        }
        return found;
    }
    int indexOf(QAccessible::Event type, const QObject* object) const
    {
        for (qsizetype i = 0; i < events.size(); ++i) {
            if (events[i].type == type && events[i].object == object)
                return int(i);
        }
        return -1;
    }
};

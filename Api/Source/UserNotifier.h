// Shows a short message to the user outside the window (a desktop notification), with the default
// notification sound.
#pragma once

#include <QString>

class UserNotifier {
public:
    virtual ~UserNotifier() = default;
    virtual void deliverNotification(const QString& title, const QString& body) = 0;
};

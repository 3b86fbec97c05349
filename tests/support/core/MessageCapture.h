// Collects every Qt log message while it lives, for tests that check what was logged.
#pragma once

#include "support/core/EventLoopWait.h"

#include <QStringList>
#include <QtGlobal>

#include <algorithm>

class MessageCapture {
public:
    MessageCapture()
        : m_previous(qInstallMessageHandler(capture))
    {
        messages().clear();
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    static QStringList& messages()
    {
        static QStringList captured;
        return captured;
    }

    bool waitForMessageStartingWith(const QString& start)
    {
        return waitForCondition([&] {
            return std::any_of(messages().begin(), messages().end(),
                [&](const QString& message) { return message.startsWith(start); });
        });
    }

private:
    static void capture(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        messages().append(message);
    }

    QtMessageHandler m_previous;
};

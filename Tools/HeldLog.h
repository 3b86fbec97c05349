// Keeps the program's log back while it lives: the frame log and the messages of Qt's log (qInfo,
// qWarning...). A run that renders the window to a file is quiet when it succeeds; when it fails,
// release() writes everything kept, each to where it would have gone.
#pragma once

#include <QByteArray>
#include <QtMessageHandler>

class HeldLog {
public:
    HeldLog();
    ~HeldLog();
    HeldLog(const HeldLog&) = delete;
    HeldLog& operator=(const HeldLog&) = delete;

    // Writes what was kept: the frame log to standard output, the messages to standard error.
    void release();

private:
    QtMessageHandler m_previousHandler;
};

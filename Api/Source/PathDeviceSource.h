// The device nodes named on the command line (a pseudo-terminal, a socat link): each is present while
// its node exists. The nodes are looked at every half second, and a node that went away or came back
// is reported as a removal or an arrival, like a plugged adapter.
#pragma once

#include "Api/Source/DeviceSource.h"

#include <QStringList>
#include <QTimer>

class PathDeviceSource : public DeviceSource {
    Q_OBJECT
public:
    static constexpr int checkIntervalMs = 500;

    explicit PathDeviceSource(const QStringList& paths, QObject* parent = nullptr);

    // The nodes that exist now. A node that cannot be reached is reported on standard error with
    // the system's reason, and listed once it can be.
    QList<ORSSerialDevice> start() override;

    // Looks at every node once and reports what changed since the last look.
    void checkNodes();

private:
    QStringList m_paths;
    QStringList m_present;
    QTimer m_timer;
};

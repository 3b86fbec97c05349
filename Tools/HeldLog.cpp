#include "Tools/HeldLog.h"

#include "Api/SVFrameTools.h"

#include <QString>

#include <cstdio>
#include <mutex>

namespace {

constexpr qsizetype heldMessagesCap = 1 << 20;
std::mutex heldMessagesMutex;
QByteArray heldMessages;

void holdMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    const QByteArray line = message.toLocal8Bit() + '\n';
    std::lock_guard lock(heldMessagesMutex);
    if (heldMessages.size() + line.size() <= heldMessagesCap)
        heldMessages += line;
}

}  // namespace

HeldLog::HeldLog()
    : m_previousHandler(qInstallMessageHandler(holdMessage))
{
    SVFrameTools::setLogHeld(true);
}

HeldLog::~HeldLog()
{
    SVFrameTools::setLogHeld(false);
    qInstallMessageHandler(m_previousHandler);
    std::lock_guard lock(heldMessagesMutex);
    heldMessages.clear();
}

void HeldLog::release()
{
    const QByteArray frames = SVFrameTools::takeHeldLog();
    std::fwrite(frames.constData(), 1, size_t(frames.size()), stdout);
    std::fflush(stdout);
    std::lock_guard lock(heldMessagesMutex);
    std::fwrite(heldMessages.constData(), 1, size_t(heldMessages.size()), stderr);
    heldMessages.clear();
}

#include "servoctl/Progress.h"

#include <cstdio>

#include <unistd.h>

namespace {
constexpr int barWidth = 30;
}

Progress::Progress(QString label, int total)
    : m_label(std::move(label))
    , m_total(std::max(total, 1))
    , m_enabled(isatty(STDERR_FILENO) == 1)
{
}

Progress::~Progress()
{
    if (m_enabled)
        std::fputs("\r\033[K", stderr);
}

void Progress::show(int done, const QString& note)
{
    if (!m_enabled)
        return;
    const int filled = barWidth * done / m_total;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char('.'));
    std::fprintf(stderr, "\r\033[K%s [%s] %d/%d %s", qPrintable(m_label), qPrintable(bar), done, m_total, qPrintable(note));
    std::fflush(stderr);
}

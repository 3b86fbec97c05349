#include "servoctl/Progress.h"

#include "servoctl/CommandContext.h"

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
    clear();
}

void Progress::show(int done, const QString& note)
{
    if (!m_enabled)
        return;
    const int filled = barWidth * done / m_total;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char('.'));
    showText(QStringLiteral("[%1] %2/%3 %4").arg(bar).arg(done).arg(m_total).arg(note));
}

void Progress::showText(const QString& text)
{
    if (!m_enabled)
        return;
    std::fprintf(stderr, "\r\033[K%s %s", qPrintable(m_label), qPrintable(withControlsEscaped(text)));
    std::fflush(stderr);
}

void Progress::clear()
{
    if (m_enabled)
        std::fputs("\r\033[K", stderr);
}

#include "servoctl/MotionSteps.h"

#include "servoctl/CommandContext.h"

namespace MotionSteps {

QString positionsText(const MotionStep& step)
{
    QStringList parts;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        parts.append(QStringLiteral("%1=%2").arg(it.key()).arg(it.value()));
    return parts.join(QLatin1Char(' '));
}

void append(Motion& motion, MotionStep step, const QString& path)
{
    if (step.name.isEmpty())
        step.name = QStringLiteral("step %1").arg(motion.steps.size() + 1);
    motion.steps.append(step);
    throwOnFailure(MotionFile::write(path, motion));
    CommandContext::print(QStringLiteral("%1: %2 (%3 steps in %4)").arg(step.name, positionsText(step)).arg(motion.steps.size()).arg(path));
}

}  // namespace MotionSteps

// servoctl play: plays a motion file on the servos, with the player's safety rules: limits and
// answers checked before anything moves, the first moves slowed to the approach speed, and every
// servo held where it is when Ctrl-C, a silent servo or an unplug stops it.
#include "servoctl/BusReport.h"
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/MotionPlayer.h"

#include <QJsonObject>

#include <memory>

namespace {

struct PlayArguments {
    std::string file;
    int loops = -1;  // -1: as the file says
    bool untilStopped = false;
    double speed = 1;
    std::string step;
    bool stepGiven = false;
    double approachSpeed = 0.25;
};

// The motion to play: the file's, or only the step named.
Motion chosenMotion(const PlayArguments& arguments)
{
    Motion motion = valueOrThrow(MotionFile::read(QString::fromStdString(arguments.file)));
    if (!arguments.stepGiven)
        return motion;
    const QString name = QString::fromStdString(arguments.step);
    QStringList names;
    for (const MotionStep& step : motion.steps) {
        if (step.name == name)
            return {1, {step}};
        names.append(QStringLiteral("\"%1\"").arg(step.name));
    }
    throw CommandError{ExitUsage, QStringLiteral("%1 has no step \"%2\" (steps: %3)")
                                      .arg(QString::fromStdString(arguments.file), name, names.join(QStringLiteral(", ")))};
}

QJsonObject stepJson(const Motion& motion, const MotionPlayer::StepStart& start, MotionPlayer::Clock::time_point began)
{
    const MotionStep& step = motion.steps[start.stepIndex];
    QJsonObject positions;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        positions.insert(QString::number(it.key()), it.value());
    const double atMs = std::chrono::duration<double, std::milli>(start.scheduled - began).count();
    return {{"loop", start.loop}, {"step", start.stepIndex + 1}, {"name", step.name}, {"time_ms", start.timeMs},
            {"at_ms", std::round(atMs * 10) / 10}, {"positions", positions}};
}

int play(CommandContext& context, const PlayArguments& arguments)
{
    const Motion motion = chosenMotion(arguments);
    PlayOptions options;
    options.loops = arguments.untilStopped ? 0 : arguments.loops >= 0 ? arguments.loops : motion.repeat;
    options.speed = arguments.speed;
    options.approachSpeed = arguments.approachSpeed;
    MotionPlayer player(context.bus(), motion, options);
    throwOnFailure(player.prepare());

    StopSignals stop;
    player.stopRequested = &StopSignals::requested;
    auto progress = std::make_unique<Progress>(QStringLiteral("play:"), int(motion.steps.size()));
    const QString loops = options.loops == 0 ? QStringLiteral("∞") : QString::number(options.loops);
    const MotionPlayer::Clock::time_point began = MotionPlayer::Clock::now();
    player.onStepStart = [&](const MotionPlayer::StepStart& start) {
        progress->showText(QStringLiteral("loop %1/%2, step %3/%4 %5")
                               .arg(start.loop).arg(loops).arg(start.stepIndex + 1).arg(motion.steps.size())
                               .arg(motion.steps[start.stepIndex].name));
        if (context.json) {
            CommandContext::print(QString::fromUtf8(QJsonDocument(stepJson(motion, start, began)).toJson(QJsonDocument::Compact)));
            CommandContext::checkOutput();
        }
    };
    const Result<void> played = player.play();
    progress.reset();  // the line goes before anything else is said
    BusReport::warnLosses(context.bus());
    throwOnFailure(played);
    return ExitSuccess;
}

}  // namespace

void addPlayCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("play", "Play the steps of a motion FILE on the servos; Ctrl-C stops them where they are");
    auto arguments = std::make_shared<PlayArguments>();
    command->add_option("FILE", arguments->file, "A motion file (made by pose or teach, or by hand)")->required();
    CLI::Option* loop = command->add_option("--loop", arguments->loops, "Play the whole list N times (default: the file's repeat)")
                            ->type_name("N")->check(CLI::Range(1, MotionFile::maximumRepeat));
    CLI::Option* untilStopped = command->add_flag("--forever", arguments->untilStopped, "Play until Ctrl-C");
    loop->excludes(untilStopped);
    command->add_option("--speed", arguments->speed, "Scale every time and pause: 2 plays twice as fast (0.1-10)")
        ->type_name("X")->check(CLI::Range(PlayOptions::slowest, PlayOptions::fastest))->capture_default_str();
    const CLI::Option* step = command->add_option("--step", arguments->step, "Play only the step of this name")->type_name("NAME");
    command->add_option("--approach-speed", arguments->approachSpeed,
                        "Fastest first move from where the servos are, in position units per ms (0.05-10)")
        ->type_name("U")->check(CLI::Range(PlayOptions::slowestApproach, PlayOptions::fastestApproach))->capture_default_str();
    command->callback([&context, &run, arguments, step] {
        arguments->stepGiven = step->count() > 0;
        run = [&context, arguments] { return play(context, *arguments); };
    });
}

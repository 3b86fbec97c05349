// servoctl play: plays a motion file on the servos, with the player's safety rules: limits and
// answers checked before anything moves, the first moves slowed to the approach speed, late steps
// skipped, and every servo held where it is when a signal (Ctrl-C, a hang-up, a kill), an output that
// cannot be written, a silent servo or an unplug stops it. With --plan it prints the path it would
// command instead, and needs no bus.
#include "servoctl/BusReport.h"
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/MotionPlan.h"
#include "Api/Bus/MotionPlayer.h"

#include <QJsonObject>

#include <cmath>

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
    double rate = 0;  // 0: what the wire carries
    bool rateGiven = false;
    bool plan = false;
};

// The motion to play, and the number each of its steps has in the file (from 1).
struct ChosenMotion {
    Motion motion;
    QList<int> stepNumbers;
};

QString stepLabel(int number, const QString& name)
{
    return name.isEmpty() ? QStringLiteral("step %1").arg(number) : QStringLiteral("step %1 (\"%2\")").arg(number).arg(name);
}

// The file's motion, or only the step named; a step that moves no servo is refused.
ChosenMotion chosenMotion(const PlayArguments& arguments)
{
    const QString file = QString::fromStdString(arguments.file);
    const Motion motion = valueOrThrow(MotionFile::read(file));
    QList<int> numbers;
    const QString name = QString::fromStdString(arguments.step);
    QStringList names;
    for (qsizetype i = 0; i < motion.steps.size(); ++i) {
        if (!arguments.stepGiven || motion.steps[i].name == name)
            numbers.append(int(i) + 1);
        names.append(QStringLiteral("\"%1\"").arg(motion.steps[i].name));
    }
    if (numbers.isEmpty())
        throw CommandError{ExitUsage, QStringLiteral("%1 has no step \"%2\" (steps: %3)").arg(file, name, names.join(QStringLiteral(", ")))};
    if (arguments.stepGiven && numbers.size() > 1) {
        QStringList which;
        for (int number : numbers)
            which.append(QString::number(number));
        throw CommandError{ExitUsage, QStringLiteral("%1: steps %2 are all named \"%3\"; --step needs a name only one step has")
                                          .arg(file, which.join(QStringLiteral(", ")), name)};
    }
    ChosenMotion chosen{{arguments.stepGiven ? 1 : motion.repeat, {}}, numbers};
    for (int number : numbers) {
        const MotionStep& step = motion.steps[number - 1];
        if (step.positions.isEmpty())
            throw CommandError{ExitUsage, QStringLiteral("%1: %2: no positions; a step moves at least one servo").arg(file, stepLabel(number, step.name))};
        chosen.motion.steps.append(step);
    }
    return chosen;
}

double msSince(MotionPlayer::Clock::time_point began, MotionPlayer::Clock::time_point time)
{
    return std::round(std::chrono::duration<double, std::milli>(time - began).count() * 10) / 10;
}

QJsonObject stepJson(const ChosenMotion& chosen, const MotionPlayer::StepStart& start, MotionPlayer::Clock::time_point began)
{
    const MotionStep& step = chosen.motion.steps[start.stepIndex];
    QJsonObject positions;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        positions.insert(QString::number(it.key()), it.value());
    QJsonObject line{{"loop", start.loop}, {"step", chosen.stepNumbers[start.stepIndex]}, {"name", step.name}, {"time_ms", start.timeMs},
                     {"at_ms", msSince(began, start.scheduled)}, {"positions", positions}};
    if (start.ticks > 0) {
        line.insert("curve", MotionFile::curveName(step.curve));
        line.insert("ticks", start.ticks);
    }
    return line;
}

QJsonObject skipJson(const ChosenMotion& chosen, const MotionPlayer::StepSkip& skip, MotionPlayer::Clock::time_point began)
{
    return {{"loop", skip.loop}, {"step", chosen.stepNumbers[skip.stepIndex]}, {"name", chosen.motion.steps[skip.stepIndex].name},
            {"skipped", true}, {"at_ms", msSince(began, skip.scheduled)},
            {"late_ms", std::round(std::chrono::duration<double, std::milli>(skip.late).count())}};
}

// Says what stopped the play: the first stop signal, else the output that could not be written.
CommandError stopError(const Failure& stopped, const QString& outputFault)
{
    if (const int signal = StopSignals::signal())
        return {ExitInterrupted, QStringLiteral("%1: %2").arg(StopSignals::describe(signal), stopped.message)};
    return {ExitFailure, QStringLiteral("%1: %2").arg(outputFault, stopped.message)};
}

// Prints the commanded path: each servo's position at each time, from each servo's first position
// in the file, as CSV or as JSON lines.
void printPlan(const CommandContext& context, const Motion& motion, const PlayOptions& options)
{
    QMap<int, int> start;
    for (const MotionStep& step : motion.steps)
        for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
            if (!start.contains(it.key()))
                start.insert(it.key(), it.value());
    MotionPlan::Settings settings;
    settings.rate = options.rate > 0 ? options.rate : MotionPlan::chosenRate(int(start.size()));
    settings.speed = options.speed;
    settings.approachSpeed = options.approachSpeed;
    if (!context.json)
        CommandContext::print(QStringLiteral("time_ms,servo,position"));
    for (const MotionPlan::PathPoint& point : MotionPlan::path(motion, options.loops, start, settings)) {
        const double timeMs = std::round(point.timeMs * 10) / 10;
        if (context.json)
            CommandContext::print(QStringLiteral(R"({"time_ms": %1, "servo": %2, "position": %3})").arg(timeMs).arg(point.servoId).arg(point.position));
        else
            CommandContext::print(QStringLiteral("%1,%2,%3").arg(timeMs).arg(point.servoId).arg(point.position));
    }
}

int play(CommandContext& context, const PlayArguments& arguments)
{
    const ChosenMotion chosen = chosenMotion(arguments);
    const Motion& motion = chosen.motion;
    PlayOptions options;
    options.loops = arguments.untilStopped ? 0 : arguments.loops >= 0 ? arguments.loops : motion.repeat;
    options.speed = arguments.speed;
    options.approachSpeed = arguments.approachSpeed;
    options.rate = arguments.rate;
    if (arguments.rateGiven)
        valueOrThrow(MotionPlan::checkedRate(options.rate, int(motion.servoIds().size())));
    if (arguments.plan) {
        printPlan(context, motion, options);
        return ExitSuccess;
    }
    // From here on every ending a program can catch leaves the servos holding.
    StopSignals stop;
    MotionPlayer player(context.bus(), motion, options);
    throwOnFailure(player.prepare());
    CommandContext::requireWritableOutput(QStringLiteral("nothing moved"));
    if (StopSignals::requested())
        throw CommandError{ExitInterrupted, StopSignals::endedBy(QStringLiteral("nothing moved"))};

    // A line that cannot be written (a closed pipe, a terminal gone) stops the play like a signal.
    QString outputFault;
    const auto noteOutput = [&outputFault] {
        if (outputFault.isEmpty())
            outputFault = CommandContext::outputFault();
        if (outputFault.isEmpty())
            outputFault = CommandContext::messageFault();
    };
    player.stopRequested = [&outputFault] { return StopSignals::requested() || !outputFault.isEmpty(); };
    auto progress = std::make_unique<Progress>(QStringLiteral("play:"), int(motion.steps.size()));
    const QString loops = options.loops == 0 ? QStringLiteral("∞") : QString::number(options.loops);
    const MotionPlayer::Clock::time_point began = MotionPlayer::Clock::now();
    const auto printJson = [&](const QJsonObject& object) {
        if (context.json)
            CommandContext::print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    };
    player.onStepStart = [&](const MotionPlayer::StepStart& start) {
        const int number = chosen.stepNumbers[start.stepIndex];
        progress->showText(QStringLiteral("loop %1/%2, step %3/%4 %5")
                               .arg(start.loop).arg(loops).arg(number).arg(motion.steps.size())
                               .arg(motion.steps[start.stepIndex].name));
        printJson(stepJson(chosen, start, began));
        noteOutput();
    };
    player.onStepSkipped = [&](const MotionPlayer::StepSkip& skip) {
        progress->clear();
        const int lateMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(skip.late).count());
        CommandContext::warn(QStringLiteral("loop %1, %2: skipped, %3 ms late; the next step starts from where the servos are")
                                 .arg(skip.loop).arg(stepLabel(chosen.stepNumbers[skip.stepIndex], motion.steps[skip.stepIndex].name)).arg(lateMs));
        printJson(skipJson(chosen, skip, began));
        noteOutput();
    };
    const Result<void> played = player.play();
    progress.reset();  // the line goes before anything else is said
    if (player.skippedTicks() > 0)
        CommandContext::warn(QStringLiteral("%1 late set-point ticks skipped").arg(player.skippedTicks()));
    BusReport::warnLosses(context.bus());
    if (!played && played.failure().kind == Failure::Kind::Interrupted)
        throw stopError(played.failure(), outputFault);
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
                            ->type_name("N")->check(decimalRange(1, MotionFile::maximumRepeat));
    CLI::Option* untilStopped = command->add_flag("--forever", arguments->untilStopped, "Play until Ctrl-C");
    loop->excludes(untilStopped);
    command->add_option("--speed", arguments->speed, "Scale every time and pause: 2 plays twice as fast (0.1-10)")
        ->type_name("X")->check(decimalRange(PlayOptions::slowest, PlayOptions::fastest))->capture_default_str();
    const CLI::Option* step = command->add_option("--step", arguments->step, "Play only the step of this name")->type_name("NAME");
    command->add_option("--approach-speed", arguments->approachSpeed,
                        "Fastest first move from where the servos are, in position units per ms (0.05-10)")
        ->type_name("U")->check(decimalRange(PlayOptions::slowestApproach, PlayOptions::fastestApproach))->capture_default_str();
    const CLI::Option* rate = command->add_option("--rate", arguments->rate,
                        "Set-points per second per servo of ease and through steps (default: what the wire carries beside the position reads, at most 50)")
        ->type_name("HZ")->check(decimalNumber());
    command->add_flag("--plan", arguments->plan, "Print the positions the play would command (time_ms,servo,position; JSON lines with --json) and send nothing");
    command->callback([&context, &run, arguments, step, rate] {
        arguments->stepGiven = step->count() > 0;
        arguments->rateGiven = rate->count() > 0;
        run = [&context, arguments] { return play(context, *arguments); };
    });
}

// servoctl pose: reads the servos' positions and keeps them as one step of a motion file.
#include "servoctl/Commands.h"
#include "servoctl/MotionSteps.h"
#include "Api/Bus/ServoAccess.h"

void addPoseCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("pose", "Read each servo's position and append it as one step to FILE (created when missing); "
                                                   "without -o, print the step");
    struct Options {
        std::vector<std::string> ids;
        std::string file;
        bool fileGiven = false;
        std::string name;
        int time = 1000;
        int pause = 0;
    };
    auto options = std::make_shared<Options>();
    command->add_option("ID", options->ids, servoIdHelp("Servo IDs"))->required();
    const CLI::Option* file = command->add_option("-o", options->file, "The motion file to append the step to")->type_name("FILE");
    command->add_option("--name", options->name, "Name of the step (default: step N)");
    command->add_option("--time", options->time, "Move time of the step in ms")->type_name("MS")->check(decimalRange(0, MotionFile::maximumTimeMs))->capture_default_str();
    command->add_option("--pause", options->pause, "Pause after the move in ms")->type_name("MS")->check(decimalRange(0, MotionFile::maximumTimeMs))->capture_default_str();
    command->callback([&context, &run, options, file] {
        options->fileGiven = file->count() > 0;
        run = [&context, options] {
            const QList<int> ids = servoIdsFromArguments(options->ids);
            requireNonEmpty(options->file, options->fileGiven, "-o");
            const QString path = QString::fromStdString(options->file);
            Motion motion = path.isEmpty() ? Motion{} : valueOrThrow(MotionFile::readOrEmpty(path));
            MotionStep step{QString::fromStdString(options->name), options->time, options->pause,
                            valueOrThrow(ServoAccess::readPositions(context.bus(), ids))};
            if (path.isEmpty()) {
                if (step.name.isEmpty())
                    step.name = QStringLiteral("step 1");
                CommandContext::print(QString::fromUtf8(MotionFile::stepJson(step)));
                return int(ExitSuccess);
            }
            MotionSteps::append(motion, std::move(step), path);
            return int(ExitSuccess);
        };
    });
}

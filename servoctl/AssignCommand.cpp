// servoctl assign: numbers new servos one at a time. The user connects each new servo when asked,
// alone or added to the chain of those done; servoctl finds it, gives it the next ID, reads the ID
// back and moves the servo a little and back. Each step is a line (with --json a JSON object per
// line); a stop (Ctrl-C, SIGTERM, SIGHUP, an unplug) says which IDs are done and which are not.
#include "servoctl/Commands.h"
#include "Api/Bus/Protocol.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/IdAssignment.h"
#include "Api/Bus/SettingsFile.h"
#include "VirtualServo/DemoServoBox.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using namespace IdAssignment;

QString label(const Joint& joint)
{
    return joint.name.isEmpty() ? QStringLiteral("ID %1").arg(joint.id) : QStringLiteral("ID %1 (%2)").arg(joint.id).arg(joint.name);
}

QString idText(const QList<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts.append(QString::number(id));
    return texts.join(QStringLiteral(", "));
}

QList<int> idsOf(const QList<Joint>& joints)
{
    QList<int> ids;
    for (const Joint& joint : joints)
        ids.append(joint.id);
    return ids;
}

QJsonArray jsonIds(const QList<Joint>& joints)
{
    QJsonArray ids;
    for (const Joint& joint : joints)
        ids.append(joint.id);
    return ids;
}

QJsonValue jsonJoint(const std::optional<Joint>& joint)
{
    if (!joint)
        return QJsonValue::Null;
    return QJsonObject{{"id", joint->id}, {"name", joint->name}};
}

// What the user reads for each event.
struct Line {
    QString operator()(const Started& e) const
    {
        if (e.plan.redo)
            return e.connectAlone ? QStringLiteral("redo ID %1: connect its new servo alone, since ID %2 is a done joint's and new servos come with it")
                                        .arg(*e.plan.redo).arg(factoryId)
                                  : QStringLiteral("redo ID %1").arg(*e.plan.redo);
        QString text = QStringLiteral("giving IDs %1, in this order").arg(idText(idsOf(e.plan.joints)));
        if (e.plan.factoryIdMoved)
            text += QStringLiteral(": ID %1 goes last, since every new servo comes with it").arg(factoryId);
        return text;
    }
    QString operator()(const Recognised& e) const { return QStringLiteral("%1 is already on the bus: done").arg(label(e.joint)); }
    QString operator()(const Waiting& e) const
    {
        return QStringLiteral("connect the servo for %1, alone or added to the chain (%2 to go)").arg(label(e.joint)).arg(e.remaining);
    }
    QString operator()(const Found& e) const { return QStringLiteral("found a new servo at ID %1").arg(e.servoId); }
    QString operator()(const TwoAtOnce& e) const
    {
        return QStringLiteral("servos %1 answer: leave only one new servo connected").arg(idText(e.servoIds));
    }
    QString operator()(const SharedId& e) const
    {
        return e.doneJoint ? QStringLiteral("two servos answer ID %1, a done joint's: unplug the new one and connect it alone").arg(e.servoId)
                           : QStringLiteral("two servos answer ID %1: leave only one new servo connected").arg(e.servoId);
    }
    QString operator()(const Written& e) const { return QStringLiteral("servo %1 given ID %2").arg(e.fromId).arg(e.joint.id); }
    QString operator()(const Verified& e) const { return QStringLiteral("ID %1 read back").arg(e.joint.id); }
    QString operator()(const Done& e) const
    {
        QString text = QStringLiteral("%1 done").arg(label(e.joint));
        if (e.wiggled)
            text += QStringLiteral(": it moved a little and back");
        return e.next ? text + QStringLiteral("; next: %1").arg(label(*e.next)) : text;
    }
    QString operator()(const Finished& e) const { return QStringLiteral("all done: IDs %1").arg(idText(idsOf(e.done))); }
    QString operator()(const Stopped&) const { return {}; }  // the failure says it, on standard error
};

// The same as one JSON object.
struct Json {
    QJsonObject operator()(const Started& e) const
    {
        return {{"ids", jsonIds(e.plan.joints)}, {"factory_id_last", e.plan.factoryIdMoved},
                {"redo", e.plan.redo ? QJsonValue(*e.plan.redo) : QJsonValue::Null}, {"connect_alone", e.connectAlone}};
    }
    QJsonObject operator()(const Recognised& e) const { return {{"id", e.joint.id}, {"name", e.joint.name}}; }
    QJsonObject operator()(const Waiting& e) const { return {{"id", e.joint.id}, {"name", e.joint.name}, {"remaining", e.remaining}}; }
    QJsonObject operator()(const Found& e) const { return {{"servo_id", e.servoId}, {"id", e.joint.id}}; }
    QJsonObject operator()(const TwoAtOnce& e) const
    {
        QJsonArray ids;
        for (int id : e.servoIds)
            ids.append(id);
        return {{"ids", ids}};
    }
    QJsonObject operator()(const SharedId& e) const { return {{"id", e.servoId}, {"done_joint", e.doneJoint}}; }
    QJsonObject operator()(const Written& e) const { return {{"from", e.fromId}, {"id", e.joint.id}}; }
    QJsonObject operator()(const Verified& e) const { return {{"id", e.joint.id}}; }
    QJsonObject operator()(const Done& e) const
    {
        return {{"id", e.joint.id}, {"name", e.joint.name}, {"wiggled", e.wiggled}, {"next", jsonJoint(e.next)}};
    }
    QJsonObject operator()(const Finished& e) const { return {{"done", jsonIds(e.done)}}; }
    QJsonObject operator()(const Stopped& e) const
    {
        static const char* const reasons[] = {"request", "port-gone", "servo-lost"};
        QJsonValue unconfirmed = QJsonValue::Null;
        if (e.unconfirmed)
            unconfirmed = QJsonObject{{"from", e.unconfirmed->fromId}, {"id", e.unconfirmed->joint.id}};
        return {{"reason", reasons[int(e.why)]}, {"message", e.message}, {"done", jsonIds(e.done)},
                {"not_done", jsonIds(e.notDone)}, {"unconfirmed", unconfirmed}};
    }
};

QMap<int, QString> namesFrom(const std::string& file)
{
    QMap<int, QString> names;
    if (file.empty())
        return names;
    for (const SettingsFile::Entry& entry : valueOrThrow(SettingsFile::readEntries(QString::fromStdString(file))))
        if (!entry.name.isEmpty())
            names.insert(entry.id(), entry.name);
    return names;
}

int assign(CommandContext& context, const Plan& plan)
{
    ServoBus& bus = context.bus();
    DemoServoBox* box = context.demoBox();
    StopSignals stop;
    bool outputLost = false;
    Hooks hooks;
    hooks.stopRequested = [&] { return StopSignals::requested() || outputLost; };
    hooks.report = [&](const Event& event) {
        if (context.json) {
            QJsonObject object = std::visit(Json{}, event);
            object.insert(QStringLiteral("event"), eventName(event));
            CommandContext::printBytes(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        } else if (const QString line = std::visit(Line{}, event); !line.isEmpty()) {
            CommandContext::print(line);
        }
        // Each line goes out as it happens, for whoever follows it; a reader gone stops the run.
        outputLost = outputLost || !CommandContext::outputFault().isEmpty();
        if (box && std::holds_alternative<Waiting>(event))
            box->connectNext();
    };
    const Result<QList<Joint>> done = IdAssignment::run(bus, plan, hooks);
    if (done)
        return ExitSuccess;
    if (StopSignals::requested())
        throw CommandError{ExitInterrupted, StopSignals::endedBy(done.failure().message)};
    throw commandError(done.failure());
}

}  // namespace

void addAssignCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("assign", "Number new servos one at a time: connect each when asked; it gets the next ID, "
                                                      "which is read back, and moves a little so that you see which joint it is. ID 1, "
                                                      "which new servos come with, is given last. Servos already at their IDs count as done");
    struct Options {
        std::vector<std::string> ids;
        std::string names;
        int redo = -1;
    };
    auto options = std::make_shared<Options>();
    command->add_option("IDS", options->ids, "IDs to give, in order: such as 1-18, or 3 4 5")->required();
    const CLI::Option* namesOption =
        command->add_option("--names", options->names, "A robot or settings file whose servo names label the IDs")->type_name("FILE");
    const CLI::Option* redoOption =
        command->add_option("--redo", options->redo, "Give only this ID again (a replaced servo); the others count as done")
            ->type_name("ID")->check(decimalRange(SVProtocol::lowestServoId, SVProtocol::highestServoId));
    command->callback([&context, &run, options, namesOption, redoOption] {
        run = [&context, options, namesGiven = namesOption->count() > 0, redoGiven = redoOption->count() > 0] {
            QStringList ranges;
            for (const std::string& text : options->ids)
                ranges.append(QString::fromStdString(text));
            const QList<int> ids = servoIdsFromRange(ranges.join(QLatin1Char(',')), QStringLiteral("IDS"));
            requireNonEmpty(options->names, namesGiven, "--names");
            const QMap<int, QString> names = namesFrom(options->names);
            const Plan plan = valueOrThrow(makePlan(ids, names, redoGiven ? std::optional<int>(options->redo) : std::nullopt));
            return assign(context, plan);
        };
    });
}

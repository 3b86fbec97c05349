// Fuzzes the readers of the files people edit by hand: arbitrary bytes go to the settings-file
// reader and to the motion-file reader as a file's contents. Checked on every input: no crash, and
// a file that is taken holds only what the programs can use: known keys with values inside their
// ranges and at least one servo or step; a motion taken is written back as the same motion.
#include "Api/Bus/MotionFile.h"
#include "Api/Bus/SettingsFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "file reader fuzz: %s\n", what);
    std::abort();
}

void checkSettingsFile(const QByteArray& bytes)
{
    const Result<QList<SettingValues>> servos = SettingsFile::parse(bytes, QStringLiteral("fuzz.json"));
    if (!servos) {
        if (servos.failure().message.isEmpty())
            fail("a refusal without a reason");
        return;
    }
    if (servos->isEmpty())
        fail("a settings file without servos was taken");
    for (const SettingValues& values : *servos)
        for (auto it = values.begin(); it != values.end(); ++it) {
            const SettingField* field = SettingField::byKey(it.key());
            if (!field)
                fail("an unknown key was taken");
            if (!field->inRange(it.value()))
                fail("a value out of its range was taken");
        }
}

void checkMotionFile(const QByteArray& bytes)
{
    const Result<Motion> motion = MotionFile::parse(bytes, QStringLiteral("fuzz.json"));
    if (!motion) {
        if (motion.failure().message.isEmpty())
            fail("a refusal without a reason");
        return;
    }
    if (motion->steps.isEmpty() || motion->repeat < 0 || motion->repeat > MotionFile::maximumRepeat)
        fail("a motion without steps or with a bad repeat was taken");
    for (const MotionStep& step : motion->steps) {
        if (step.timeMs < 0 || step.timeMs > MotionFile::maximumTimeMs || step.pauseMs < 0 || step.pauseMs > MotionFile::maximumTimeMs)
            fail("a time out of range was taken");
        for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
            if (it.key() < 0 || it.key() > 253 || it.value() < 0 || it.value() > MotionFile::maximumPosition)
                fail("an ID or a position out of range was taken");
    }
    const Result<Motion> again = MotionFile::parse(MotionFile::document(*motion), QStringLiteral("fuzz.json"));
    if (!again || !(*again == *motion))
        fail("a motion taken does not read back as itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    checkSettingsFile(bytes);
    checkMotionFile(bytes);
    return 0;
}

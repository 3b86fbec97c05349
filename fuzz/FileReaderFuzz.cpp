// Fuzzes the readers of the files people edit by hand: arbitrary bytes go to the settings-file
// reader as a file's contents. Checked on every input: no crash, and a file that is taken holds
// only known keys with values inside their ranges, at least one servo.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    checkSettingsFile(bytes);
    return 0;
}

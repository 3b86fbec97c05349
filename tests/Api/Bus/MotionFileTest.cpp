// The motion file as people write it by hand: what it takes, what it refuses and how it says so,
// and that what it writes reads back as the same motion.
#include "Api/Bus/MotionFile.h"

#include <gtest/gtest.h>

namespace {

QByteArray withSteps(const QByteArray& steps, const QByteArray& head = R"("format": "servodesk-motion", "version": 1)")
{
    return "{" + head + R"(, "steps": [)" + steps + "]}";
}

}  // namespace

TEST(MotionFile, TakesHandWrittenFilesAndWritesThemBackAsTheyWere)
{
    const QByteArray example = R"({
      "format": "servodesk-motion", "version": 1, "repeat": 0,
      "steps": [
        {"name": "up",   "time_ms": 800, "pause_ms": 200, "positions": {"1": 500, "2": 620, "7": 410}},
        {"name": "wave \"ö\"", "time_ms": 30000, "positions": {"253": 1000, "0": 0}},
        {"time_ms": 0, "positions": {}},
        {"name": "swing", "time_ms": 300, "positions": {"1": 20}, "curve": "through"},
        {"time_ms": 400, "positions": {"1": 40}, "curve": "ease"},
        {"time_ms": 500, "positions": {"1": 60}, "curve": "linear"}
      ]})";
    const Result<Motion> motion = MotionFile::parse(example, "arm.json");
    ASSERT_TRUE(motion) << motion.failure().message.toStdString();
    const Motion expected{0, {{"up", 800, 200, {{1, 500}, {2, 620}, {7, 410}}},
                              {"wave \"ö\"", 30000, 0, {{0, 0}, {253, 1000}}},
                              {"", 0, 0, {}},
                              {"swing", 300, 0, {{1, 20}}, MotionCurve::Through},
                              {"", 400, 0, {{1, 40}}, MotionCurve::Ease},
                              {"", 500, 0, {{1, 60}}, MotionCurve::Linear}}};
    EXPECT_EQ(*motion, expected);
    EXPECT_EQ(motion->servoIds(), (QList<int>{0, 1, 2, 7, 253}));

    const QByteArray written = MotionFile::document(*motion);
    EXPECT_TRUE(written.contains(R"({"name": "up", "time_ms": 800, "pause_ms": 200, "positions": {"1": 500, "2": 620, "7": 410}})"))
        << "one step per line, keys in the order people read them:\n" << written.toStdString();
    EXPECT_TRUE(written.contains(R"({"name": "swing", "time_ms": 300, "pause_ms": 0, "positions": {"1": 20}, "curve": "through"})"));
    EXPECT_EQ(written.count("\"curve\""), 2) << "a linear step is written as before, without the key:\n" << written.toStdString();
    const Result<Motion> again = MotionFile::parse(written, "arm.json");
    ASSERT_TRUE(again) << again.failure().message.toStdString();
    EXPECT_EQ(*again, *motion);
}

TEST(MotionFile, RefusesWhatItCannotPlayNamingTheStepAndTheField)
{
    const struct {
        QByteArray text;
        const char* message;
    } refused[] = {
        {withSteps("", R"("format": "servodesk-settings", "version": 1)"), "not a motion file"},
        {withSteps(R"({"time_ms": 1, "positions": {}})", R"("format": "servodesk-motion", "version": 2)"), "format version 2 is newer"},
        {withSteps(R"({"time_ms": 1, "positions": {}})", R"("format": "servodesk-motion", "version": 1.5)"), "no format version"},
        {withSteps(""), "no steps"},
        {R"({"format": "servodesk-motion", "version": 1})", "no steps"},
        {withSteps(R"({"name": "up", "time_ms": 100, "positions": {"1": 1001}})"), "step 1 (\"up\"): positions: \"1\": 1001 is out of range 0-1000"},
        {withSteps(R"({"time_ms": 1, "positions": {}}, {"time_ms": 30001, "positions": {}})"), "step 2: time_ms: 30001 is out of range 0-30000"},
        {withSteps(R"({"time_ms": 1, "pause_ms": -1, "positions": {}})"), "step 1: pause_ms: -1 is out of range"},
        {withSteps(R"({"time_ms": 10.5, "positions": {}})"), "time_ms: expected a whole number 0-30000"},
        {withSteps(R"({"positions": {}})"), "time_ms: expected a whole number"},
        {withSteps(R"({"time_ms": 1, "positions": {"254": 1}})"), "\"254\" is not a servo ID 0-253"},
        {withSteps(R"({"time_ms": 1, "positions": {"-1": 1}})"), "\"-1\" is not a servo ID"},
        {withSteps(R"({"time_ms": 1, "positions": {" 1": 1}})"), "\" 1\" is not a servo ID"},
        {withSteps(R"({"time_ms": 1, "positions": {"1": 1, "01": 2}})"), "servo 1 is named twice"},
        {withSteps(R"({"time_ms": 1, "positions": {"1": 1, "1": 2}})"), "the key \"1\" appears twice"},
        {withSteps(R"({"time_ms": 1, "positions": [500]})"), "positions: expected an object"},
        {withSteps(R"({"time_ms": 1, "pause": 5, "positions": {}})"), "unknown key \"pause\""},
        {withSteps(R"({"name": 3, "time_ms": 1, "positions": {}})"), "name: expected text"},
        {withSteps(R"({"time_ms": 1, "positions": {}}, {"time_ms": 1, "positions": {}, "curve": "smooth"})"),
         "step 2: curve: \"smooth\" is not one of linear, ease, through"},
        {withSteps(R"({"time_ms": 1, "positions": {}, "curve": 1})"), "step 1: curve: \"1\" is not one of"},
        // A hand-edited file: the refusal says on which line the step begins, strings with brackets,
        // braces and escaped quotes before it notwithstanding.
        {"{\"format\": \"servodesk-motion\", \"version\": 1, \"steps\": [\n"
         "  {\"name\": \"[a \\\"{\", \"time_ms\": 1, \"positions\": {\"1\": 5}},\n\n"
         "  {\"time_ms\": 1,\n   \"positions\": {}}, {\"time_ms\": 1, \"positions\": {}, \"curve\": \"jerky\"}\n]}",
         "line 5: step 3: curve: \"jerky\""},
        {withSteps(R"({"time_ms": 1, "positions": {}})", R"("format": "servodesk-motion", "version": 1, "repeat": -1)"), "repeat: -1 is out of range"},
        {"[1, 2]", "not a JSON object"},
        {"{\"format\": ", "not valid JSON"},
    };
    for (const auto& r : refused) {
        const Result<Motion> motion = MotionFile::parse(r.text, "arm.json");
        ASSERT_FALSE(motion) << r.text.toStdString();
        EXPECT_EQ(motion.failure().kind, Failure::Kind::Usage);
        EXPECT_TRUE(motion.failure().message.startsWith("arm.json: ")) << motion.failure().message.toStdString();
        EXPECT_TRUE(motion.failure().message.contains(QString::fromUtf8(r.message)))
            << r.text.toStdString() << "\n  said: " << motion.failure().message.toStdString();
    }
}

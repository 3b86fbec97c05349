#include "Tools/SVInfoOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SVInfoOptions, HelpAndVersionAnswerAndEndTheProgram)
{
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk", "--version"}), 0);
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk", "--help"}), 0);
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk", "--port", "/dev/pts/3", "-h"}), 0);
    EXPECT_TRUE(SVInfoOptions::versionText().contains(QStringLiteral(SERVODESK_VERSION)));
    const QString help = SVInfoOptions::helpText("servodesk");
    for (const char* option : {"--port PATH", "--demo", "--list-ports", "--screenshot FILE", "--help", "--version"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
}

TEST(SVInfoOptions, OtherArgumentsStartTheProgram)
{
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk"}), std::nullopt);
    EXPECT_EQ(SVInfoOptions::handle(QStringList{}), std::nullopt);
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk", "--port", "/dev/ttyUSB0", "-platform", "offscreen"}), std::nullopt);
    // A device node that happens to be called like an option is the port's value, not a request.
    EXPECT_EQ(SVInfoOptions::handle(QStringList{"servodesk", "--port", "--help"}), std::nullopt);
}

} // namespace

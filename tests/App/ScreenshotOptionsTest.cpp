// The screenshot option's arguments and the rendered file.
#include "Tools/SVScreenshot.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

SVScreenshotOptions parse(const QStringList& arguments)
{
    return SVScreenshotOptions::fromArguments(QStringList { "servodesk" } + arguments);
}

TEST(ScreenshotOptionsTest, ReadsFilePageAndLanguageAmongOtherArguments)
{
    const SVScreenshotOptions none = parse({ "--port", "/dev/pts/3" });
    EXPECT_FALSE(none.requested());
    EXPECT_TRUE(none.errors.isEmpty());

    const SVScreenshotOptions basic = parse({ "--screenshot", "out.png" });
    EXPECT_EQ(basic.file, "out.png");
    EXPECT_EQ(basic.page, SVScreenshotOptions::Page::Basic);
    EXPECT_TRUE(basic.language.isEmpty());

    const SVScreenshotOptions full =
        parse({ "--language", "zh-Hant", "--port", "/dev/pts/3", "--screenshot", "a.png", "--page", "about" });
    EXPECT_TRUE(full.errors.isEmpty()) << qPrintable(full.errors.join("; "));
    EXPECT_EQ(full.file, "a.png");
    EXPECT_EQ(full.page, SVScreenshotOptions::Page::About);
    EXPECT_EQ(full.language, "zh-Hant");
    EXPECT_EQ(parse({ "--screenshot", "p.png", "--page", "parameters" }).page, SVScreenshotOptions::Page::Parameters);
}

TEST(ScreenshotOptionsTest, RefusesMissingAndUnknownValues)
{
    EXPECT_FALSE(parse({ "--screenshot" }).errors.isEmpty());
    EXPECT_FALSE(parse({ "--screenshot", "--page", "about" }).errors.isEmpty());
    EXPECT_FALSE(parse({ "--screenshot", "a.png", "--page", "settings" }).errors.isEmpty());
    EXPECT_FALSE(parse({ "--screenshot", "a.png", "--language", "fr" }).errors.isEmpty());
    EXPECT_FALSE(parse({ "--page", "about" }).errors.isEmpty()) << "a page without a screenshot is a mistake";
    EXPECT_FALSE(parse({ "--screenshot", "" }).errors.isEmpty()) << "an empty file name is a mistake";

    const SVScreenshotOptions languageOnly = parse({ "--language", "zh-Hant" });
    EXPECT_TRUE(languageOnly.errors.isEmpty()) << "a language alone is chosen for the window";
    EXPECT_EQ(languageOnly.language, "zh-Hant");
    EXPECT_FALSE(languageOnly.requested());
}

TEST(ScreenshotOptionsTest, SavesTheWindowAsPngAndReportsAFileThatCannotBeWritten)
{
    QLabel window(QStringLiteral("ServoDesk"));
    window.resize(120, 40);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file already there is replaced whole and keeps its permissions.
    const QString file = dir.filePath("shot.png");
    QFile previous(file);
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly) && previous.write(QByteArray(100000, 'x')) == 100000);
    previous.close();
    ASSERT_TRUE(previous.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(SVScreenshotOptions::save(&window, file));
    const QImage image(file);
    EXPECT_EQ(image.size(), QSize(120, 40));
    EXPECT_EQ(previous.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther),
              QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"shot.png"})
        << "a temporary file was left behind";

    const QString missing = dir.filePath("missing/dir/shot.png");
    const Result<void> refused = SVScreenshotOptions::save(&window, missing);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().message, "cannot write " + missing + ": " + QString::fromLocal8Bit(std::strerror(ENOENT)));
}

} // namespace

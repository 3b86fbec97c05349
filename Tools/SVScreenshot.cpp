#include "Tools/SVScreenshot.h"

#include "Tools/BundleLanguage.h"

#include <QPixmap>
#include <QWidget>

namespace {

const QString screenshotOption = QStringLiteral("--screenshot");
const QString pageOption = QStringLiteral("--page");
const QString languageOption = QStringLiteral("--language");

}  // namespace

SVScreenshotOptions SVScreenshotOptions::fromArguments(const QStringList& arguments)
{
    SVScreenshotOptions options;
    bool pageGiven = false;
    bool languageGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument != screenshotOption && argument != pageOption && argument != languageOption)
            continue;
        if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QStringLiteral("--"))) {
            options.errors.append(QStringLiteral("%1 needs a value").arg(argument));
            continue;
        }
        const QString value = arguments.at(++i);
        if (argument == screenshotOption) {
            options.file = value;
        } else if (argument == pageOption) {
            pageGiven = true;
            if (value == QLatin1String("basic"))
                options.page = Page::Basic;
            else if (value == QLatin1String("parameters"))
                options.page = Page::Parameters;
            else if (value == QLatin1String("about"))
                options.page = Page::About;
            else
                options.errors.append(QStringLiteral("--page must be basic, parameters or about, not \"%1\"").arg(value));
        } else {
            languageGiven = true;
            if (BundleLanguage::displayNameForCode(value).isEmpty())
                options.errors.append(QStringLiteral("--language must be en, zh-Hans or zh-Hant, not \"%1\"").arg(value));
            else
                options.language = value;
        }
    }
    if (!options.requested() && (pageGiven || languageGiven))
        options.errors.append(QStringLiteral("--page and --language only go with --screenshot FILE"));
    return options;
}

bool SVScreenshotOptions::save(QWidget* window, const QString& file)
{
    return window->grab().save(file, "PNG");
}

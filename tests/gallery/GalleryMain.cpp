// Renders every widget family to PNG files: servodesk_gallery OUTPUT_DIR (default: ./gallery).
#include "Gallery.h"

#include <QApplication>
#include <QDir>

namespace Gallery {
QString outputDir;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Gallery::outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(Gallery::outputDir);

    const std::initializer_list<void (*)()> families = {
        &Gallery::renderDashboards,
        &Gallery::renderSliders,
        &Gallery::renderSegmentedControls,
        &Gallery::renderSwitches,
        &Gallery::renderButtons,
        &Gallery::renderImageTitleButtons,
        &Gallery::renderPanels,
        &Gallery::renderProgress,
        &Gallery::renderMessageBox,
    };
    for (auto render : families)
        render();
    return 0;
}

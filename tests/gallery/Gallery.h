// Shared helpers of the widget gallery, and one render function per widget family.
#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace Gallery {

// A plain backdrop in the window's background colour, for placing widgets on.
QWidget* makeBackdrop(int width, int height, QColor color = QColor(232, 232, 232));

// Lets animations and posted work finish (bounded), then writes the widget at twice its size to
// OUTPUT_DIR/NAME.png.
void save(QWidget* widget, const QString& name);

// One function per widget family. To add a family, declare it here and list it in GalleryMain.cpp.
void renderDashboards();
void renderSliders();
void renderSegmentedControls();
void renderSwitches();
void renderButtons();
void renderImageTitleButtons();
void renderPanels();
void renderProgress();
void renderMessageBox();

}  // namespace Gallery

// Test entry point for widget tests: an offscreen QApplication with the controls' accessible
// interfaces installed, as the application has them.
#include "Tools/SVAccessibility.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    installAccessibilityFactories();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

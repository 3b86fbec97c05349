// The application's main window with the real controller in it, for tests: settings in memory,
// the real text lookup, the window shown, and the start-up steps that follow the showing done.
#pragma once

#include "AppDelegate.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/StringsTable.h"
#include "Tools/SVLocalized.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <memory>

class MainWindowHarness {
public:
    // The settings start empty; seed them before start().
    ScopedSettingsStore settings;

    ~MainWindowHarness()
    {
        controller.reset();
        delegate.reset();
        SVLocalized::setLookup({});
    }

    // Shows the window and waits for the status panel and the second setting of every text. False
    // when they did not happen within 5 s.
    bool start()
    {
        AppDelegate::installTextLookup();
        delegate = std::make_unique<AppDelegate>();
        controller = std::make_unique<SVSettingViewController>();
        delegate->setContentViewControllerFactory([this] { return controller->view(); });
        delegate->applicationDidFinishLaunching();
        // The position caption is empty until the texts are set again after the window is shown.
        return QTest::qWaitForWindowExposed(delegate->window())
            && QTest::qWaitFor([this] {
                   return controller->viewGetState()->parentWidget() == controller->viewBasicOperation()
                       && !controller->debuggingPostion()->text().isEmpty();
               });
    }

    SVSettingViewController& c() { return *controller; }
    QWidget* window() { return delegate->window(); }

    // A string table of the program, as the lookup reads it.
    static StringsTable table(const QString& code)
    {
        QFile file(QStringLiteral(":/%1.lproj/Localizable.strings").arg(code));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return StringsTable::parse(file.readAll());
    }

    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<SVSettingViewController> controller;
};

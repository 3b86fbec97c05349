// The main window with its controller, started as the application starts it and listing one port, for
// the window benchmarks; notifications go nowhere and tips are counted, not shown.
#pragma once

#include "AppDelegate.h"
#include "Api/Source/DeviceSource.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UserNotifier.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/SettingsStore.h"
#include "bench/EventServing.h"

#include <QComboBox>

#include <memory>

class ListedDevices : public DeviceSource {
public:
    explicit ListedDevices(QList<ORSSerialDevice> devices) : m_devices(std::move(devices)) {}
    QList<ORSSerialDevice> start() override { return m_devices; }

private:
    QList<ORSSerialDevice> m_devices;
};

class SilentNotifier : public UserNotifier {
public:
    void deliverNotification(const QString&, const QString&) override {}
};

// Tips are counted, not shown: a flood may hold replies that each ask for one.
class CountingTipPresenter : public SVTipPresenter {
public:
    void present(ModeWindow&) override { ++count; }
    int count = 0;
};

struct BenchWindow {
    MemorySettingsStore settings;
    SilentNotifier notifier;
    CountingTipPresenter tips;
    std::unique_ptr<ORSSerialPortManager> manager;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<SVSettingViewController> controller;

    explicit BenchWindow(const QString& portPath)
    {
        SettingsStore::install(&settings);
        SVTipPresenter::install(&tips);
        manager = std::make_unique<ORSSerialPortManager>(
            std::make_unique<ListedDevices>(QList<ORSSerialDevice>{ORSSerialDevice::fromPath(portPath)}));
        AppDelegate::installTextLookup();
        delegate = std::make_unique<AppDelegate>();
        controller = std::make_unique<SVSettingViewController>();
        controller->setSerialPortManager(manager.get());
        controller->setUserNotifier(&notifier);
        delegate->setContentViewControllerFactory([this] { return controller->view(); });
        delegate->applicationDidFinishLaunching();
    }
    ~BenchWindow()
    {
        if (auto port = controller->serialPort(); port && port->isOpen()) {
            port->close();
            serveUntil([&] { return !port->isOpen(); });
        }
        controller.reset();
        delegate.reset();
        manager.reset();
        SVTipPresenter::install(nullptr);
        SettingsStore::install(nullptr);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    // Chooses the listed port with the mouse and presses the open button, as the user does in the
    // window the desktop has just activated.
    bool openPort()
    {
        delegate->window()->activateWindow();
        serveFor(std::chrono::milliseconds(200));  // the start-up steps after the first showing
        QComboBox* list = controller->boxCOM();
        list->setFocus(Qt::MouseFocusReason);
        list->setCurrentIndex(0);
        emit list->activated(0);
        const ORSSerialPort::Ptr port = controller->serialPort();
        if (!port)
            return false;
        controller->buttonClick(controller->buttonWireless());
        return serveUntil([&] { return port->isOpen() && !list->isEnabled(); });
    }
};

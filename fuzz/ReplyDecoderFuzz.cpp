// Fuzzes the window's reply decoding: arbitrary byte streams, cut into arbitrary chunks, go through
// the port's data callback (frame reader, then decoder) of a main window controller whose controls
// are real widgets on the offscreen platform; every chunk also goes straight to the unframed decoder
// entry, in a buffer of exactly its size, so that reading past a chunk's end is caught.
//
// Input: two bytes that choose how the rest is cut into chunks, then the stream itself.
// Run with LSAN_OPTIONS=suppressions=fuzz/lsan-suppressions.txt (the font library's caches).
#include "AppDelegate.h"
#include "Api/Source/DeviceSource.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UserNotifier.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/SettingsStore.h"
#include "fuzz/ChunkCutter.h"

#include <QApplication>
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

class NoDevices : public DeviceSource {
public:
    QList<ORSSerialDevice> start() override { return {}; }
};

class SilentNotifier : public UserNotifier {
public:
    void deliverNotification(const QString&, const QString&) override {}
};

// Tips are dropped: a reply that asks for one must never wait for a user.
class DroppingTipPresenter : public SVTipPresenter {
public:
    void present(ModeWindow&) override {}
};

struct Rig {
    MemorySettingsStore settings;
    SilentNotifier notifier;
    DroppingTipPresenter tips;
    std::unique_ptr<ORSSerialPortManager> manager;
    std::unique_ptr<SVSettingViewController> controller;
    std::unique_ptr<QWidget> view;

    Rig()
    {
        SettingsStore::install(&settings);
        SVTipPresenter::install(&tips);
        AppDelegate::installTextLookup();
        manager = std::make_unique<ORSSerialPortManager>(std::make_unique<NoDevices>());
        controller = std::make_unique<SVSettingViewController>();
        controller->setSerialPortManager(manager.get());
        controller->setUserNotifier(&notifier);
        view.reset(controller->view());
        view->resize(860, 690);
        view->show();
    }
};

Rig* rig = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The encoder logs every queued frame on standard output; the fuzzer's own output is on stderr.
    if (const int null = ::open("/dev/null", O_WRONLY); null >= 0)
        dup2(null, STDOUT_FILENO);
    // The application and the window live for the whole run and are never destroyed: at exit the
    // libraries' own statics may already be gone.
    static auto* app = new QApplication(*argc, *argv);
    (void)app;
    rig = new Rig;
    rig->view->grab();  // fonts and images loaded once, before the first input
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    SVSettingViewController& controller = *rig->controller;
    controller.serialPortWasClosed(nullptr);  // no partial frame carried over from the last input
    ChunkCutter cutter(data);
    const QByteArray stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype length = std::min(cutter.chunkSize(), stream.size() - at);
        const QByteArray chunk = stream.mid(at, length);
        controller.serialPortDidReceiveData(nullptr, chunk);
        const auto exact = std::make_unique<uint8_t[]>(size_t(length) + 1);  // +1: never a zero-size allocation
        std::memcpy(exact.get(), chunk.constData(), size_t(length));
        controller.analysisDidRecvData(exact.get(), int(length));
        at += length;
    }
    // Replies may queue follow-up reads and delayed calls: let them run out, so nothing piles up.
    controller.cancelPreviousPerformRequests();
    QCoreApplication::processEvents();
    controller.serialApi().queue().waitUntilIdle(std::chrono::seconds(5));
    return 0;
}

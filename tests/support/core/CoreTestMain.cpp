// Test entry point for core tests: a QCoreApplication so that queued calls to the main thread work.
#include <QCoreApplication>
#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// Debian's Qt is not built for ThreadSanitizer, which therefore cannot see the locks of Qt's event
// queue and takes every event made on one thread and freed on another for a race. Accesses made
// inside Qt's own library are left out; everything our code touches is still checked, and our
// threads hand work over only through standard locks that ThreadSanitizer does see.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n";
}
#endif

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

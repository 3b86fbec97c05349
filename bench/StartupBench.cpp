// Process start to the first painted main window, and resident memory after start-up.
//
//   xvfb-run -a build-rel/bench/startup_bench build-rel/bench/startup_probe build-rel/servodesk [runs]
//
// Each run starts the probe (which starts as the application does and reports its first paint) as a
// new process; the time runs from just before the process is created. Then the application itself is
// started and its resident memory read from /proc after 2 s.
#include "bench/BenchStats.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

struct ProbeRun {
    double startupMs = -1;
    long rssAtPaintKb = -1;
    long rssAfterKb = -1;
};

ProbeRun runProbe(const char* probe)
{
    int output[2];
    if (pipe(output) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    char* argv[] = {const_cast<char*>(probe), nullptr};
    pid_t child = 0;
    const long long start = monotonicNanoseconds();
    const int failed = posix_spawn(&child, probe, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    ProbeRun run;
    if (failed != 0) {
        close(output[0]);
        return run;
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    long long paintedAt = 0;
    if (const auto at = text.find("first-paint-ns "); at != std::string::npos)
        paintedAt = std::atoll(text.c_str() + at + 15);
    if (const auto at = text.find("rss-at-first-paint-kb "); at != std::string::npos)
        run.rssAtPaintKb = std::atol(text.c_str() + at + 22);
    if (const auto at = text.find("rss-after-1s-kb "); at != std::string::npos)
        run.rssAfterKb = std::atol(text.c_str() + at + 16);
    if (paintedAt > start && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.startupMs = double(paintedAt - start) / 1e6;
    return run;
}

long residentKilobytesOf(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

long applicationResidentKilobytes(const char* application)
{
    char* argv[] = {const_cast<char*>(application), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, application, nullptr, nullptr, argv, environ) != 0)
        return -1;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long kilobytes = residentKilobytesOf(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return kilobytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROBE APPLICATION [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    std::vector<double> startup, rssAtPaint, rssAfter;
    for (int i = 0; i < runs; ++i) {
        const ProbeRun run = runProbe(argv[1]);
        if (run.startupMs < 0) {
            std::fprintf(stderr, "run %d: the probe reported no first paint\n", i);
            return 1;
        }
        startup.push_back(run.startupMs);
        rssAtPaint.push_back(double(run.rssAtPaintKb) / 1024.0);
        rssAfter.push_back(double(run.rssAfterKb) / 1024.0);
    }
    std::printf("Process start to first painted main window, %d runs:\n", runs);
    BenchStats::of(startup).print("start -> first paint", "ms");
    BenchStats::of(rssAtPaint).print("resident memory at first paint", "MB");
    BenchStats::of(rssAfter).print("resident memory 1 s later", "MB");
    std::vector<double> application;
    for (int i = 0; i < 3; ++i)
        application.push_back(double(applicationResidentKilobytes(argv[2])) / 1024.0);
    BenchStats::of(application).print("servodesk itself, resident 2 s after start", "MB");
    return 0;
}

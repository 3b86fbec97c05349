// What the machine itself charges for the two things an idle window does, measured without any of
// this program's code, so that the window's idle figures can be read against them. It takes no
// arguments and measures, in turn:
//
//   - a thread that only waits 10 ms with 5 ms of slack, as the modem-line poll does: its own
//     processor time per wake-up and per second (10 s);
//   - one byte written to each of 140 pages (a 140-row repaint of a window's backing store touches
//     one page per row) after the memory has been left alone for 1, 10, 100 and 1000 ms: processor
//     and wall time per page (20 rounds each).
//
//   build-rel/bench/platform_cost_bench
#include "bench/BenchStats.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <time.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void timedWake(std::chrono::seconds span)
{
    double cpuSeconds = 0;
    int wakeUps = 0;
    std::thread sleeper([&] {
        prctl(PR_SET_TIMERSLACK, 5'000'000UL);
        std::mutex mutex;
        std::condition_variable never;
        std::unique_lock lock(mutex);
        const double before = threadCpuSeconds();
        const Clock::time_point end = Clock::now() + span;
        while (Clock::now() < end) {
            never.wait_for(lock, 10ms);
            ++wakeUps;
        }
        cpuSeconds = threadCpuSeconds() - before;
    });
    sleeper.join();
    const double wall = double(span.count());
    std::printf("10 ms wait with 5 ms slack, nothing else, %lld s: %.1f wake-ups a second, %.1f us each, %.2f ms per second"
                " (%.3f %% of one core)\n",
                static_cast<long long>(span.count()), wakeUps / wall, 1e6 * cpuSeconds / std::max(1, wakeUps),
                1000.0 * cpuSeconds / wall, 100.0 * cpuSeconds / wall);
}

void pageTouch()
{
    constexpr size_t pageSize = 4096;
    constexpr int pages = 140;
    constexpr int rounds = 20;
    std::vector<char> memory(pageSize * pages, 1);
    for (const auto idle : {1ms, 10ms, 100ms, 1000ms}) {
        std::vector<double> cpuPerPage;
        std::vector<double> wallPerPage;
        for (int round = 0; round < rounds; ++round) {
            std::this_thread::sleep_for(idle);
            const double cpuBefore = threadCpuSeconds();
            const Clock::time_point wallBefore = Clock::now();
            for (int page = 0; page < pages; ++page)
                memory[size_t(page) * pageSize + size_t(round)] += 1;
            wallPerPage.push_back(std::chrono::duration<double, std::micro>(Clock::now() - wallBefore).count() / pages);
            cpuPerPage.push_back(1e6 * (threadCpuSeconds() - cpuBefore) / pages);
        }
        const long long milliseconds = static_cast<long long>(idle.count());
        char name[80];
        std::snprintf(name, sizeof name, "page written after %4lld ms alone: CPU", milliseconds);
        BenchStats::of(cpuPerPage).print(name, "us");
        std::snprintf(name, sizeof name, "page written after %4lld ms alone: wall", milliseconds);
        BenchStats::of(wallPerPage).print(name, "us");
    }
}

}  // namespace

int main()
{
    timedWake(10s);
    pageTouch();
    return 0;
}

#include "Api/Source/ThreadLatency.h"

#include <cerrno>
#include <cstdint>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The kernel's struct sched_attr; the C library has neither the structure nor the call.
struct SchedulingAttributes {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;  // for the normal policy: the requested slice, in ns
    std::uint64_t deadline;
    std::uint64_t period;
};

constexpr std::uint64_t resetOnFork = 0x01;  // SCHED_FLAG_RESET_ON_FORK
constexpr std::uint64_t shortSliceNanoseconds = 100'000;

}  // namespace

void ThreadLatency::requestShortSlice()
{
#ifdef SYS_sched_setattr
    // Only the slice changes: a thread under another policy is left alone, and the niceness the
    // user started the program with (for this thread, on Linux) is kept.
    if (sched_getscheduler(0) != SCHED_OTHER)
        return;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return;
    SchedulingAttributes attributes{};
    attributes.size = sizeof attributes;
    attributes.policy = SCHED_OTHER;
    attributes.flags = resetOnFork;
    attributes.nice = nice;
    attributes.runtime = shortSliceNanoseconds;
    // The thread keeps its usual slice when the kernel refuses; nothing else depends on it.
    [[maybe_unused]] const long refused = syscall(SYS_sched_setattr, 0, &attributes, 0);
#endif
}

// One spinning child process per core for as long as an object lives, so that the measured threads
// compete for the processor as on a busy machine. The children only spin, so they may be forked
// from a process that has threads.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class BusyProcesses {
public:
    explicit BusyProcesses(bool wanted)
    {
        const unsigned count = wanted ? std::max(1u, std::thread::hardware_concurrency()) : 0;
        for (unsigned i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                while (true)
                    spin = spin + 1;
            }
            if (pid > 0)
                m_pids.push_back(pid);
        }
    }
    ~BusyProcesses()
    {
        for (const pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    size_t count() const { return m_pids.size(); }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;

private:
    std::vector<pid_t> m_pids;
};

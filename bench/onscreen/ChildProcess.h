#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program started for one measurement, never through a shell, in a process group of its
// own so that whatever it starts ends with it. It gets a home, configuration, cache and data
// folder of its own, fresh and empty, so that no run sees what an earlier one saved.
// Destroying it ends the group and removes that home.
class ChildProcess
{
public:
    using Clock = std::chrono::steady_clock;

    struct Options
    {
        // Variables set (or, with an empty value, removed) on top of this process's own.
        std::vector<std::pair<std::string, std::string>> environment;
        // Where its standard output and error go; empty is /dev/null.
        std::string outputPath;
    };

    ChildProcess(const std::vector<std::string> &command, const Options &options);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }
    // The moment just before it was started.
    Clock::time_point startTime() const { return m_startTime; }
    pid_t pid() const { return m_pid; }

    // Whether it has exited; reaps it when it has.
    bool hasExited();
    // Waits until it exits or `deadline` passes; true when it exited.
    bool waitForExit(Clock::time_point deadline);
    // After end(): it exited by itself with status 0.
    bool exitedCleanly() const;
    Clock::time_point exitTime() const { return m_exitTime; }

    // The processor time its threads have used so far (threads that have ended not counted).
    std::chrono::nanoseconds cpuTime() const;

    // Ends it and everything it started (politely, then by force) and waits for it.
    void end();

    // Kills every group still running; safe to call from a signal handler.
    static void killAll();

private:
    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_status = -1;
    bool m_reaped = false;
    Clock::time_point m_startTime;
    Clock::time_point m_exitTime;
    std::string m_home;
};

#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char **environ;

namespace {

// The groups still running, for a signal handler to end: plain memory, no allocation.
constexpr int MaxGroups = 64;
volatile sig_atomic_t g_groups[MaxGroups] = {};

void remember(pid_t group)
{
    for (auto &slot : g_groups) {
        if (slot == 0) {
            slot = group;
            return;
        }
    }
}

void forget(pid_t group)
{
    for (auto &slot : g_groups) {
        if (slot == group)
            slot = 0;
    }
}

std::string freshHome()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench-onscreen-home.XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary home folder");
    return pattern;
}

int millisecondsUntil(ChildProcess::Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ChildProcess::Clock::now());
    return int(std::clamp<long long>(left.count(), 0, 1000));
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string> &command, const Options &options)
    : m_home(freshHome())
{
    std::vector<std::pair<std::string, std::string>> overrides{
        {"HOME", m_home},
        {"XDG_CONFIG_HOME", m_home + "/config"},
        {"XDG_CACHE_HOME", m_home + "/cache"},
        {"XDG_DATA_HOME", m_home + "/data"},
        {"XDG_STATE_HOME", m_home + "/state"},
    };
    overrides.insert(overrides.end(), options.environment.begin(), options.environment.end());
    std::vector<std::string> environment;
    for (char **variable = environ; *variable; ++variable) {
        const std::string entry(*variable);
        const std::string name = entry.substr(0, entry.find('='));
        if (std::none_of(overrides.begin(), overrides.end(), [&](const auto &o) { return o.first == name; }))
            environment.push_back(entry);
    }
    for (const auto &[name, value] : overrides) {
        if (!value.empty())
            environment.push_back(name + '=' + value);
    }

    std::vector<char *> argv, envp;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);

    const std::string output = options.outputPath.empty() ? "/dev/null" : options.outputPath;
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    m_startTime = Clock::now();
    pid_t pid = -1;
    const int failure = posix_spawnp(&pid, argv[0], &files, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) {
        std::filesystem::remove_all(m_home);
        throw std::runtime_error("cannot start " + command.front() + ": " + std::strerror(failure));
    }
    m_pid = pid;
    remember(m_pid);
    // Lets the exit be waited for with poll(); glibc's own wrapper is not declared for C++.
    m_pidFd = int(syscall(SYS_pidfd_open, m_pid, 0));
}

ChildProcess::~ChildProcess()
{
    end();
    if (m_pidFd >= 0)
        close(m_pidFd);
    std::error_code ignored;
    std::filesystem::remove_all(m_home, ignored);
}

bool ChildProcess::hasExited()
{
    return waitForExit(Clock::now());
}

bool ChildProcess::waitForExit(Clock::time_point deadline)
{
    if (m_reaped || m_exitTime != Clock::time_point())
        return true;
    // Only noticed, not reaped: the process id, and with it the group, stays ours until end().
    for (;;) {
        if (m_pidFd >= 0) {
            pollfd exited{m_pidFd, POLLIN, 0};
            if (poll(&exited, 1, millisecondsUntil(deadline)) > 0)
                break;
        } else {
            siginfo_t info{};
            if (waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid)
                break;
            if (Clock::now() < deadline)
                usleep(1000);
        }
        if (Clock::now() >= deadline)
            return false;
    }
    m_exitTime = Clock::now();
    return true;
}

void ChildProcess::end()
{
    if (m_pid <= 0 || m_reaped)
        return;
    if (!hasExited()) {
        kill(-m_pid, SIGTERM);
        if (!waitForExit(Clock::now() + std::chrono::seconds(3)))
            kill(-m_pid, SIGKILL);
    }
    // Whatever it started is ended with it.
    kill(-m_pid, SIGKILL);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_status = status;
    m_reaped = true;
    forget(m_pid);
}

std::chrono::nanoseconds ChildProcess::cpuTime() const
{
    // schedstat counts in nanoseconds, where stat counts in ticks of 10 ms.
    long long total = 0;
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long running = 0;
        if (schedstat >> running)
            total += running;
    }
    return std::chrono::nanoseconds(total);
}

bool ChildProcess::exitedCleanly() const
{
    return m_reaped && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
}

void ChildProcess::killAll()
{
    for (auto &slot : g_groups) {
        const pid_t group = slot;
        if (group > 0)
            kill(-group, SIGKILL);
    }
}

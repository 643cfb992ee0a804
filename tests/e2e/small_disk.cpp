// Runs a program with one folder on a tiny disk of its own that is full or read-only, as a
// user's settings folder on a full or read-only disk is:
//
//   pictarra_e2e_small_disk STATE FOLDER COPY_OUT PROGRAM [ARGUMENTS...]
//
// STATE is "full" (no free block), "one-block-free", "no-inode-free", "read-only" or
// "with-room" (a small disk that works, so that a caller can tell its own faults apart). The
// folder's files are moved onto a small tmpfs mounted over FOLDER, in a user and mount
// namespace of this process alone, so that nothing outside it sees the mount and no
// privilege is needed. PROGRAM runs there; when it has ended, every file then in the folder
// (but the filler) is copied into COPY_OUT, which lies outside the mount, so the caller can
// see what the program left. The exit status is the program's; a program killed by a signal
// ends this helper by the same signal.
//
// Exits 77 when the namespace or the mount cannot be made on this system, 70 on any other
// failure of its own. It never runs a shell.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int CannotIsolate = 77;
constexpr int Failed = 70;
// Files this helper puts in the folder to use up its space; never copied out.
const std::string FillerPrefix = "zz-filler-";
// Small, but room for a few settings files; every file takes at least one block.
constexpr const char *MountOptions = "size=64k,nr_inodes=64,mode=0700";

pid_t g_child = -1;

int fail(const char *what)
{
    std::fprintf(stderr, "small-disk: %s: %s\n", what, std::strerror(errno));
    return Failed;
}

bool writeAll(int fd, const std::string &data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += size_t(written);
    }
    return true;
}

bool readAll(int fd, std::string &data)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        data.append(buffer, size_t(got));
    }
}

bool writeProcFile(const char *path, const std::string &text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, text);
    return ::close(fd) == 0 && written;
}

struct FileCopy
{
    std::string data;
    mode_t mode;
};

// The regular files directly in `folder`, by name; false when the folder cannot be read.
bool readFiles(const std::string &folder, bool skipFillers, std::map<std::string, FileCopy> &files)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    bool ok = true;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || (skipFillers && name.rfind(FillerPrefix, 0) == 0))
            continue;
        const int fd = ::openat(::dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            continue;  // only regular files matter here
        }
        FileCopy copy{{}, mode_t(status.st_mode & 07777)};
        ok = readAll(fd, copy.data) && ok;
        ::close(fd);
        files[name] = copy;
    }
    ::closedir(dir);
    return ok;
}

bool writeFiles(const std::string &folder, const std::map<std::string, FileCopy> &files)
{
    for (const auto &[name, copy] : files) {
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const bool written = writeAll(fd, copy.data) && ::fchmod(fd, copy.mode) == 0;
        if (::close(fd) != 0 || !written)
            return false;
    }
    return true;
}

// Becomes root of a user namespace of its own (mapped to the caller's ids) with a private
// mount namespace.
bool isolate(uid_t uid, gid_t gid)
{
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    if (!writeProcFile("/proc/self/setgroups", "deny")
        || !writeProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1")
        || !writeProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
        return false;
    // Nothing mounted here may reach the caller's namespace.
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Uses up every block: one file grows until the disk refuses more. With `leaveOneBlock`,
// one block is given back.
bool fillBlocks(const std::string &folder, bool leaveOneBlock)
{
    const std::string path = folder + "/" + FillerPrefix + "blocks";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const long block = ::sysconf(_SC_PAGESIZE);
    const std::string chunk(size_t(block), 'f');
    off_t size = 0;
    for (;;) {
        const ssize_t written = ::write(fd, chunk.data(), chunk.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == ENOSPC)
            break;
        if (written <= 0) {
            ::close(fd);
            return false;
        }
        size += written;
    }
    const bool ok = !leaveOneBlock || ::ftruncate(fd, size >= block ? size - block : 0) == 0;
    return ::close(fd) == 0 && ok;
}

// Uses up every inode with empty files.
bool fillInodes(const std::string &folder)
{
    for (int i = 0;; ++i) {
        const std::string path = folder + "/" + FillerPrefix + std::to_string(i);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno == ENOSPC;
        ::close(fd);
    }
}

// The disk is in the state asked for, as the file system itself reports it.
bool hasState(const std::string &folder, const std::string &state)
{
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) != 0)
        return false;
    if (state == "read-only")
        return (disk.f_flag & ST_RDONLY) != 0;
    if (state == "full")
        return disk.f_bavail == 0;
    if (state == "one-block-free")
        return disk.f_bavail == 1;
    if (state == "no-inode-free")
        return disk.f_favail == 0;
    return disk.f_bavail >= 4 && disk.f_favail >= 4;  // with-room
}

void forwardSignal(int signal)
{
    if (g_child > 0)
        ::kill(g_child, signal);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s full|one-block-free|no-inode-free|read-only|with-room FOLDER COPY_OUT PROGRAM [ARGS...]\n",
                     argv[0]);
        return Failed;
    }
    const std::string state = argv[1];
    const std::string folder = argv[2];
    const std::string copyOut = argv[3];
    if (state != "full" && state != "one-block-free" && state != "no-inode-free" && state != "read-only"
        && state != "with-room") {
        std::fprintf(stderr, "small-disk: unknown state %s\n", state.c_str());
        return Failed;
    }

    std::map<std::string, FileCopy> files;
    if (!readFiles(folder, false, files))
        return fail("reading the folder");

    if (!isolate(::getuid(), ::getgid())) {
        std::fprintf(stderr, "small-disk: no user and mount namespace of its own: %s\n", std::strerror(errno));
        return CannotIsolate;
    }
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, MountOptions) != 0) {
        std::fprintf(stderr, "small-disk: cannot mount a tmpfs in the namespace: %s\n", std::strerror(errno));
        return CannotIsolate;
    }
    if (!writeFiles(folder, files))
        return fail("putting the files on the small disk");

    bool prepared = true;
    if (state == "full" || state == "one-block-free")
        prepared = fillBlocks(folder, state == "one-block-free");
    else if (state == "no-inode-free")
        prepared = fillInodes(folder);
    else if (state == "read-only")
        prepared = ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY | MS_NOSUID | MS_NODEV,
                           nullptr) == 0;
    if (!prepared)
        return fail("preparing the small disk");
    if (!hasState(folder, state)) {
        std::fprintf(stderr, "small-disk: the disk did not reach the state %s\n", state.c_str());
        return Failed;
    }

    const pid_t parent = ::getpid();
    g_child = ::fork();
    if (g_child < 0)
        return fail("fork");
    if (g_child == 0) {
        // The program must not outlive this helper, whoever ends it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(Failed);
        ::execv(argv[4], argv + 4);
        std::fprintf(stderr, "small-disk: cannot start %s: %s\n", argv[4], std::strerror(errno));
        ::_exit(127);
    }
    std::signal(SIGTERM, forwardSignal);
    std::signal(SIGINT, forwardSignal);
    std::signal(SIGHUP, forwardSignal);

    int status = 0;
    while (::waitpid(g_child, &status, 0) < 0) {
        if (errno != EINTR)
            return fail("waitpid");
    }

    std::map<std::string, FileCopy> left;
    if (!readFiles(folder, true, left) || !writeFiles(copyOut, left))
        return fail("copying out what the program left");

    if (WIFSIGNALED(status)) {
        std::signal(WTERMSIG(status), SIG_DFL);
        ::raise(WTERMSIG(status));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : Failed;
}

#include "platform/QtSettingsFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool takeLock(QLockFile &lock)
{
    lock.setStaleLockTime(QtSettingsFile::StaleLockMilliseconds);
    // Short, uneven waits rather than QLockFile's own doubling ones (100 ms, 200 ms, ...):
    // a writer must not lose every turn to another copy that writes value after value.
    const QDeadlineTimer deadline(QtSettingsFile::LockWaitMilliseconds);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(QRandomGenerator::global()->bounded(2, 12));
    }
    return true;
}

QString lockPathOf(const QString &path)
{
    return path + QStringLiteral(".lock");
}

} // namespace

QtSettingsFile::QtSettingsFile(const QString &path)
    : m_path(path)
{
}

QString QtSettingsFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Tarrowby Consulting/Pictarra.reg");
}

std::optional<QtSettingsFile::Identity> QtSettingsFile::identityOf(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return Identity{status.st_dev, status.st_ino, status.st_size,
                    qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

SettingsFile::Snapshot QtSettingsFile::read() const
{
    m_lastRead = identityOf(m_path);
    Snapshot unreadable{true, false, {}};
    // Non-blocking, so that a FIFO put in the file's place cannot hang the program; it is
    // refused below as not being a regular file.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Snapshot{false, true, {}} : unreadable;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > MaximumSize) {
        ::close(fd);
        return unreadable;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return unreadable;
    }
    // Read one byte past the limit: the file may have grown since fstat.
    QByteArray bytes = file.read(MaximumSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaximumSize)
        return unreadable;
    return Snapshot{true, true, bytes};
}

bool QtSettingsFile::update(
    const std::function<std::optional<QByteArray>(const Snapshot &)> &change)
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    QLockFile lock(lockPathOf(m_path));
    if (!takeLock(lock))
        return false;
    const std::optional<QByteArray> replacement = change(read());
    if (!replacement)
        return true;
    if (replacement->size() > MaximumSize)
        return false;  // it would not be read back
    // Written beside the file and renamed over it: a full disk, a crash or a read-only folder
    // leaves the old file whole.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile keeps a small write in its buffer, and its commit() does not notice when that
    // buffer cannot be written out (a full disk): the short or empty file would replace the
    // good one. So the buffer is written out here, where a failure gives up the new file.
    if (file.write(*replacement) != replacement->size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool QtSettingsFile::keepAside()
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return true;  // nothing there to lose
    QLockFile lock(lockPathOf(m_path));
    if (!takeLock(lock))
        return false;
    if (m_lastRead && identityOf(m_path) != m_lastRead)
        return true;  // replaced since it was read; the file that was read is gone already
    // rename() replaces an older .bad in one step; QFile::rename refuses to replace.
    const QByteArray from = QFile::encodeName(m_path);
    const QByteArray to = QFile::encodeName(m_path + QStringLiteral(".bad"));
    return std::rename(from.constData(), to.constData()) == 0 || errno == ENOENT;
}

#pragma once

#include "platform/SettingsFile.h"

#include <optional>
#include <sys/types.h>

// The settings file on disk. Readers take no lock: the file is only ever replaced whole, so
// a reader sees either the old or the new contents. Writers serialise on a lock file next to
// it ("Pictarra.reg.lock").
class QtSettingsFile final : public SettingsFile
{
public:
    // Far larger than any settings file; anything bigger is not one and is never loaded.
    static constexpr qint64 MaximumSize = 4 * 1024 * 1024;
    // The lock of a writer that died is taken over at once; one whose process id has since
    // been reused by another copy of the program, once it is this old. A live writer keeps its
    // lock (QLockFile also holds a system lock on it); a write holds it for milliseconds.
    static constexpr int StaleLockMilliseconds = 1000;
    // How long a writer waits for a live holder before giving up (the write then fails and
    // the file stays as it was).
    static constexpr int LockWaitMilliseconds = 3000;

    explicit QtSettingsFile(const QString &path);

    // $XDG_CONFIG_HOME/Tarrowby Consulting/Pictarra.reg (~/.config when it is not set).
    static QString defaultPath();

    QString path() const override { return m_path; }
    Snapshot read() const override;
    bool update(const std::function<std::optional<QByteArray>(const Snapshot &)> &change) override;
    // Moves the file aside only when it is still the one last read: when another copy of the
    // program has meanwhile moved a damaged file aside and written a new one, that new file
    // must not go over the damaged one in "Pictarra.reg.bad".
    bool keepAside() override;

private:
    struct Identity
    {
        dev_t device;
        ino_t inode;
        off_t size;
        qint64 modifiedNanoseconds;
        bool operator==(const Identity &) const = default;
    };
    static std::optional<Identity> identityOf(const QString &path);

    QString m_path;
    mutable std::optional<Identity> m_lastRead;  // of the file read() last saw, if any
};

#pragma once

#include <QHashFunctions>
#include <QString>

#include <memory>

// What an entry of a folder is, as far as the folder scan and the folder box care. Links are
// judged by what they point at.
enum class EntryKind {
    RegularFile,  // a regular file, or a link to one
    Directory,    // a directory, or a link to one
    Other,        // FIFO, socket, device, a link whose target is missing or loops: never listed,
                  // never entered
    Unreadable,   // its attributes could not be read
};

struct DirectoryEntry
{
    // The name's bytes as LocalPath decodes them: encoded again, they name the same entry.
    QString name;
    EntryKind kind = EntryKind::Other;
};

// Device and inode of a folder: the same folder reached through two links has one identity.
struct FolderIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const FolderIdentity &, const FolderIdentity &) = default;
};

inline size_t qHash(const FolderIdentity &identity, size_t seed = 0) noexcept
{
    return qHashMulti(seed, identity.device, identity.inode);
}

// One open enumeration of a folder's entries ("." and ".." included, first), in natural name
// order as the desktop's file managers show them: letter case ignored, runs of digits compared
// as numbers, the rest by the user's locale, folders and files interleaved. Destroying it
// closes it.
class DirectoryEnumeration
{
public:
    virtual ~DirectoryEnumeration() = default;

    virtual FolderIdentity identity() const = 0;
    // Fetches the next entry into `entry`; false when there is none left or reading failed.
    virtual bool next(DirectoryEntry &entry) = 0;
    // After next() returned false: true when the enumeration ended on a failure rather than at
    // the folder's end (reading failed, or the folder was removed or replaced meanwhile).
    virtual bool failed() const = 0;
};

// Lists folders. Never opens a file for reading: a FIFO or a device among the entries is only
// looked at, so a scan cannot block on it.
class DirectoryLister
{
public:
    virtual ~DirectoryLister() = default;

    // Starts enumerating `folder`; nullptr when it cannot be enumerated (missing, not a folder,
    // no permission).
    virtual std::unique_ptr<DirectoryEnumeration> open(const QString &folder) = 0;
};

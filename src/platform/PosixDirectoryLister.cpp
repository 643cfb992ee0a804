#include "platform/PosixDirectoryLister.h"

#include "platform/LocalPath.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool isDots(const char *name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

EntryKind kindOfStat(const struct stat &info)
{
    if (S_ISREG(info.st_mode))
        return EntryKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return EntryKind::Directory;
    return EntryKind::Other;
}

class PosixDirectoryEnumeration final : public DirectoryEnumeration
{
public:
    PosixDirectoryEnumeration(DIR *dir, QByteArray path, FolderIdentity identity, bool volumeRoot)
        : m_dir(dir), m_path(std::move(path)), m_identity(identity), m_volumeRoot(volumeRoot)
    {
    }
    ~PosixDirectoryEnumeration() override { closedir(m_dir); }

    PosixDirectoryEnumeration(const PosixDirectoryEnumeration &) = delete;
    PosixDirectoryEnumeration &operator=(const PosixDirectoryEnumeration &) = delete;

    FolderIdentity identity() const override { return m_identity; }
    bool failed() const override { return m_failed; }

    bool next(DirectoryEntry &entry) override
    {
        errno = 0;
        const dirent *raw = readdir(m_dir);
        // The root of a volume lists only its real entries, so an empty one lists nothing.
        while (raw && m_volumeRoot && isDots(raw->d_name))
            raw = readdir(m_dir);
        if (!raw) {
            m_failed = errno != 0 || !stillNamesThisFolder();
            return false;
        }
        const std::size_t length = std::strlen(raw->d_name);
        const QByteArray bytes = QByteArray::fromRawData(raw->d_name, qsizetype(length));
        entry.name = LocalPath::decode(bytes);
        entry.kind = kindOf(*raw);
        return true;
    }

private:
    EntryKind kindOf(const dirent &raw) const
    {
        switch (raw.d_type) {
        case DT_REG:
            return EntryKind::RegularFile;
        case DT_DIR:
            return EntryKind::Directory;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:  // FIFO, socket, character or block device
            return EntryKind::Other;
        }
        if (std::strcmp(raw.d_name, ".") == 0 || std::strcmp(raw.d_name, "..") == 0)
            return EntryKind::Directory;
        struct stat info;
        if (fstatat(dirfd(m_dir), raw.d_name, &info, 0) == 0)
            return kindOfStat(info);
        switch (errno) {
        case ENOENT:        // a dangling link, or the entry went away meanwhile
        case ENOTDIR:       // a link through something that is not a folder
        case ELOOP:         // a link that points at itself, directly or not
        case ENAMETOOLONG:  // a link whose target cannot be resolved
            return EntryKind::Other;
        default:
            return EntryKind::Unreadable;
        }
    }

    // At the end of the entries: the folder read to its end is still the one at its path. A
    // folder removed or replaced while it was read makes its entries' paths wrong.
    bool stillNamesThisFolder() const
    {
        struct stat info;
        if (stat(m_path.constData(), &info) != 0)
            return false;
        return S_ISDIR(info.st_mode) && quint64(info.st_dev) == m_identity.device
            && quint64(info.st_ino) == m_identity.inode;
    }

    DIR *m_dir;
    QByteArray m_path;
    FolderIdentity m_identity;
    bool m_volumeRoot;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<DirectoryEnumeration> PosixDirectoryLister::open(const QString &folder)
{
    if (folder.isEmpty())
        return nullptr;
    QByteArray path = LocalPath::encode(folder);
    // opendir never blocks on a FIFO: it opens with O_DIRECTORY and O_NONBLOCK.
    DIR *dir = opendir(path.constData());
    if (!dir)
        return nullptr;
    struct stat info;
    if (fstat(dirfd(dir), &info) != 0) {
        closedir(dir);
        return nullptr;
    }
    const FolderIdentity identity{quint64(info.st_dev), quint64(info.st_ino)};
    // A volume's root sits on another device than its parent, or is its own parent ("/").
    struct stat parent;
    const bool volumeRoot = fstatat(dirfd(dir), "..", &parent, 0) == 0
        && (parent.st_dev != info.st_dev || parent.st_ino == info.st_ino);
    return std::make_unique<PosixDirectoryEnumeration>(dir, std::move(path), identity, volumeRoot);
}

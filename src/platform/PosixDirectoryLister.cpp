#include "platform/PosixDirectoryLister.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool isAscii(const char *bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    }
    return true;
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
    PosixDirectoryEnumeration(DIR *dir, QByteArray path, FolderIdentity identity)
        : m_dir(dir), m_path(std::move(path)), m_identity(identity)
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
        if (!raw) {
            m_failed = errno != 0 || !stillNamesThisFolder();
            return false;
        }
        const std::size_t length = std::strlen(raw->d_name);
        const QByteArray bytes = QByteArray::fromRawData(raw->d_name, qsizetype(length));
        entry.name = QFile::decodeName(bytes);
        entry.representable =
            isAscii(raw->d_name, length) || QFile::encodeName(entry.name) == bytes;
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
    bool m_failed = false;
};

} // namespace

std::unique_ptr<DirectoryEnumeration> PosixDirectoryLister::open(const QString &folder)
{
    if (folder.isEmpty())
        return nullptr;
    QByteArray path = QFile::encodeName(folder);
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
    return std::make_unique<PosixDirectoryEnumeration>(dir, std::move(path), identity);
}

#include "platform/PosixDirectoryLister.h"

#include "platform/LocalPath.h"
#include "platform/NaturalNameOrder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

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

// One of the folder's names as read, with the type the file system gave it.
struct NamedEntry
{
    QString name;
    unsigned char type = DT_UNKNOWN;
};

class PosixDirectoryEnumeration final : public DirectoryEnumeration
{
public:
    PosixDirectoryEnumeration(DIR *dir, QByteArray path, FolderIdentity identity, bool volumeRoot,
                              std::shared_ptr<const NaturalNameOrder> order)
        : m_dir(dir)
        , m_path(std::move(path))
        , m_identity(identity)
        , m_volumeRoot(volumeRoot)
        , m_order(std::move(order))
    {
    }
    ~PosixDirectoryEnumeration() override { closedir(m_dir); }

    PosixDirectoryEnumeration(const PosixDirectoryEnumeration &) = delete;
    PosixDirectoryEnumeration &operator=(const PosixDirectoryEnumeration &) = delete;

    FolderIdentity identity() const override { return m_identity; }
    bool failed() const override { return m_failed; }

    bool next(DirectoryEntry &entry) override
    {
        if (!m_read)
            readInOrder();
        if (m_next == m_entries.size()) {
            if (!m_ended) {
                m_ended = true;
                m_failed = m_readFailed || !stillNamesThisFolder();
            }
            return false;
        }
        NamedEntry &named = m_entries[m_next++];
        entry.kind = kindOf(named);
        entry.name = std::move(named.name);
        return true;
    }

private:
    // Reads every name of the folder and sorts them, "." and ".." first. Names read before a
    // failure are still handed out; the failure shows at the end.
    void readInOrder()
    {
        m_read = true;
        std::vector<NamedEntry> dots;
        std::vector<unsigned char> types;
        QStringList names;
        for (;;) {
            errno = 0;
            const dirent *raw = readdir(m_dir);
            if (!raw) {
                m_readFailed = errno != 0;
                break;
            }
            if (isDots(raw->d_name)) {
                // The root of a volume lists only its real entries, so an empty one lists nothing.
                if (!m_volumeRoot)
                    dots.push_back({QString::fromLatin1(raw->d_name), DT_DIR});
                continue;
            }
            names.append(LocalPath::decode(QByteArrayView(raw->d_name, qsizetype(std::strlen(raw->d_name)))));
            types.push_back(raw->d_type);
        }
        std::sort(dots.begin(), dots.end(), [](const NamedEntry &a, const NamedEntry &b) { return a.name < b.name; });
        m_entries = std::move(dots);
        m_entries.reserve(m_entries.size() + std::size_t(names.size()));
        for (const qsizetype position : m_order->order(names))
            m_entries.push_back({std::move(names[position]), types[std::size_t(position)]});
    }

    EntryKind kindOf(const NamedEntry &named) const
    {
        switch (named.type) {
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
        struct stat info;
        if (fstatat(dirfd(m_dir), LocalPath::encode(named.name).constData(), &info, 0) == 0)
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
    std::shared_ptr<const NaturalNameOrder> m_order;
    std::vector<NamedEntry> m_entries;
    std::size_t m_next = 0;
    bool m_read = false;
    bool m_readFailed = false;
    bool m_ended = false;
    bool m_failed = false;
};

} // namespace

PosixDirectoryLister::PosixDirectoryLister()
{
    // One order for the whole program: setting up a collator costs more than listing a small
    // folder, and the folder box makes a lister for every listing.
    static const auto systemOrder = std::make_shared<const NaturalNameOrder>();
    m_order = systemOrder;
}

PosixDirectoryLister::PosixDirectoryLister(const QLocale &collation)
    : m_order(std::make_shared<const NaturalNameOrder>(collation))
{
}

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
    return std::make_unique<PosixDirectoryEnumeration>(dir, std::move(path), identity, volumeRoot, m_order);
}

#include "files/DriveBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <unistd.h>

namespace {

constexpr int RootRole = Qt::UserRole;
const QString FileSystemRoot = QStringLiteral("/");

// Kernel and desktop plumbing that holds no one's pictures.
bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo = {
        "autofs", "binfmt_misc", "bpf", "cgroup", "cgroup2", "configfs", "debugfs", "devpts",
        "devtmpfs", "efivarfs", "fuse.gvfsd-fuse", "fuse.lxcfs", "fuse.portal", "fusectl",
        "hugetlbfs", "mqueue", "nfsd", "nsfs", "overlay", "proc", "pstore", "ramfs", "rootfs",
        "rpc_pipefs", "securityfs", "selinuxfs", "squashfs", "sysfs", "tmpfs", "tracefs",
    };
    return pseudo.contains(type);
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

// Mount points the system keeps for itself; removable media under /run/media stay.
bool isSystemMountPoint(const QString &root)
{
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    static const QStringList systemFolders = {
        QStringLiteral("/boot"), QStringLiteral("/dev"),  QStringLiteral("/proc"),
        QStringLiteral("/run"),  QStringLiteral("/snap"), QStringLiteral("/sys"),
        QStringLiteral("/var/lib/docker"),
    };
    return std::any_of(systemFolders.begin(), systemFolders.end(),
                       [&root](const QString &folder) { return isUnder(root, folder); });
}

// The volume at `root` holds `path`.
bool holds(const QString &root, const QString &path)
{
    return root == FileSystemRoot ? path.startsWith(u'/') : isUnder(path, root);
}

QString volumeText(const QString &root, const QString &label)
{
    return label.isEmpty() ? root : root + QStringLiteral("  [") + label + u']';
}

} // namespace

DriveBox::DriveBox(QWidget *parent)
    : QComboBox(parent)
{
    refreshVolumes();
    connect(this, &QComboBox::activated, this, &DriveBox::chooseIndex);
}

void DriveBox::refreshVolumes()
{
    const QString selected = drive();

    // The file-system root is always there, whatever it is mounted from (in a container it
    // is an overlay).
    QList<QPair<QString, QString>> volumes;
    volumes.append({FileSystemRoot, QStorageInfo::root().name()});
    QSet<QString> seen{FileSystemRoot};
    QList<QPair<QString, QString>> others;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (seen.contains(root) || isPseudoFileSystem(volume.fileSystemType())
            || isSystemMountPoint(root) || !QFileInfo(root).isDir())
            continue;
        seen.insert(root);
        others.append({root, volume.name()});
    }
    std::sort(others.begin(), others.end());
    volumes += others;

    clear();
    for (const auto &[root, label] : volumes)
        addItem(volumeText(root, label), root);
    const int index = findData(selected, RootRole);
    setCurrentIndex(index >= 0 ? index : 0);
}

QString DriveBox::drive() const
{
    return currentData(RootRole).toString();
}

bool DriveBox::setDriveFor(const QString &path)
{
    if (path.isEmpty())
        return false;
    refreshVolumes();
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    int best = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i, RootRole).toString();
        if (holds(root, absolute)
            && (best < 0 || root.size() > itemData(best, RootRole).toString().size()))
            best = i;
    }
    if (best < 0)
        return false;
    setCurrentIndex(best);
    Q_EMIT driveChanged(drive());
    return true;
}

bool DriveBox::isReady(const QString &root)
{
    if (root.isEmpty())
        return false;
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady())
        return false;
    // Once the medium is gone, the empty mount-point folder belongs to the volume above it.
    if (volume.rootPath() != QDir::cleanPath(root))
        return false;
    return access(QFile::encodeName(root).constData(), R_OK | X_OK) == 0;
}

void DriveBox::showPopup()
{
    refreshVolumes();
    QComboBox::showPopup();
}

void DriveBox::chooseIndex(int index)
{
    const QString root = itemData(index, RootRole).toString();
    if (!root.isEmpty())
        Q_EMIT driveChanged(root);
}

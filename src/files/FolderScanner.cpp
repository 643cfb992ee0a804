#include "files/FolderScanner.h"

#include "files/FileList.h"
#include "files/PathText.h"
#include "files/PatternMatcher.h"
#include "files/ScanHost.h"
#include "platform/PosixDirectoryLister.h"

namespace {

// Names that are never listed or entered: the folder's own links and Windows' system files on
// shared disks. The test is on the lower-cased name, anywhere in it.
bool isSkippedName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return true;
    // Shorter names cannot hold either text; most names are spared lower-casing.
    if (name.size() < 12)
        return false;
    const QString lowered = name.toLower();
    return lowered.contains(u"system volume information") || lowered.contains(u"pagefile.sys");
}

} // namespace

FolderScanner::FolderScanner(FileList &list, ScanHost &host, DirectoryLister &lister)
    : m_list(list), m_host(host), m_lister(lister)
{
    setNumberLocale(QLocale::system());
}

FolderScanner::FolderScanner(FileList &list, ScanHost &host)
    : m_list(list)
    , m_host(host)
    , m_ownLister(std::make_unique<PosixDirectoryLister>())
    , m_lister(*m_ownLister)
{
    setNumberLocale(QLocale::system());
}

FolderScanner::~FolderScanner() = default;

void FolderScanner::setNumberLocale(const QLocale &locale)
{
    // The count is always grouped by thousands, even where the locale's own default (the C
    // locale's) leaves the separator out.
    m_numberLocale = locale;
    m_numberLocale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
}

void FolderScanner::fnSearchFolder(const QString &folder, const QString &pattern, bool subFolders)
{
    if (m_scanning)
        return;
    m_scanning = true;
    m_matchCount = 0;
    m_pattern = pattern;
    m_subFolders = subFolders;
    const PatternMatcher matcher(pattern);
    m_matcher = &matcher;
    m_visited.clear();
    m_pendingLine = PendingLine::None;
    m_sinceHandOver.start();

    // Blanks around the path are trimmed, but on Linux they can belong to a folder's real name
    // ("photos "): a path that names a folder as it stands is taken as it is.
    QString start = fnAddBackslash(folder);
    std::unique_ptr<DirectoryEnumeration> enumeration;
    if (folder.startsWith(u'/')) {
        const QString exact = folder.endsWith(u'/') ? folder : folder + u'/';
        if (exact != start && (enumeration = m_lister.open(exact)))
            start = exact;
    }
    if (!enumeration)
        enumeration = m_lister.open(start);

    if (enumeration) {
        m_visited.insert(enumeration->identity());
        searchOpenedFolder(start, *enumeration, subFolders);
    } else if (!subFolders) {
        noteMessage(QStringLiteral("No match for ") + start + pattern);
    }
    enumeration.reset();

    handOverCountLine();
    m_matcher = nullptr;
    m_visited.clear();
    m_scanning = false;
}

// One folder, already open, whose path ends in "/". Every failure ends this folder's scan with
// the "Error searching" line and lets the parent go on.
void FolderScanner::searchOpenedFolder(const QString &folder, DirectoryEnumeration &enumeration,
                                       bool subFolders)
{
    DirectoryEntry entry;
    if (!enumeration.next(entry)) {
        // Not even one entry: the enumeration could not really be started.
        if (!subFolders)
            noteMessage(QStringLiteral("No match for ") + folder + m_pattern);
        return;
    }
    // Stop is checked only after the next entry is fetched, so each level handles the entry it
    // holds (entering a sub-folder just met) before the scan winds up.
    for (;;) {
        processPendingEvents();
        if (!handleEntry(folder, entry, subFolders)) {
            noteMessage(QStringLiteral("Error searching ") + folder + m_pattern);
            return;
        }
        if (!enumeration.next(entry)) {
            if (enumeration.failed())
                noteMessage(QStringLiteral("Error searching ") + folder + m_pattern);
            return;
        }
        if (m_host.scanStopped())
            return;
    }
}

// False on a failure of this entry, which ends its folder's scan.
bool FolderScanner::handleEntry(const QString &folder, const DirectoryEntry &entry,
                                bool subFolders)
{
    if (isSkippedName(entry.name))
        return true;
    if (entry.kind == EntryKind::Unreadable)
        return false;
    switch (entry.kind) {
    case EntryKind::Directory:
        return !subFolders || enterSubFolder(folder + entry.name);
    case EntryKind::RegularFile:
        return !m_matcher->matches(entry.name) || listFile(folder + entry.name);
    case EntryKind::Other:
    case EntryKind::Unreadable:
        break;
    }
    return true;
}

bool FolderScanner::enterSubFolder(const QString &path)
{
    // The sub-folder is opened before the folder box is moved: one that cannot be read (or is
    // already scanned) is passed over silently, and the box only follows into folders that are
    // really scanned.
    std::unique_ptr<DirectoryEnumeration> enumeration = m_lister.open(path);
    if (!enumeration)
        return true;
    const FolderIdentity identity = enumeration->identity();
    if (m_visited.contains(identity))
        return true;
    m_visited.insert(identity);
    if (!m_host.moveFolderBox(path))
        return false;
    searchOpenedFolder(path + u'/', *enumeration, true);
    return true;
}

// The list holds at most as many entries as matchCount can count: the file that would pass
// that is refused, which is the failure of its folder's scan, and every folder still visited
// after that fails the same way on its first matching file. So the list never holds an entry
// that a 16-bit index or count cannot reach.
bool FolderScanner::listFile(const QString &path)
{
    if (m_matchCount >= MaxMatchCount || !m_list.append(path))
        return false;
    ++m_matchCount;
    m_pendingLine = PendingLine::Count;
    return true;
}

// The count line changes with every listed file, but the user sees it only when the window
// repaints, which happens while events are processed, about once a frame. Setting a label's
// text for each of thousands of files would cost more than the scan itself, so the scanner
// keeps the latest line and hands it over right before events are processed once the interval
// has passed, and at the end of the scan: what the window shows is the same.
void FolderScanner::processPendingEvents()
{
    if (m_pendingLine != PendingLine::None && m_sinceHandOver.elapsed() >= m_countLineInterval)
        handOverCountLine();
    m_host.processPendingEvents();
}

void FolderScanner::noteMessage(const QString &text)
{
    m_pendingLine = PendingLine::Message;
    m_pendingMessage = text;
}

void FolderScanner::handOverCountLine()
{
    const PendingLine line = m_pendingLine;
    m_pendingLine = PendingLine::None;
    m_sinceHandOver.start();
    if (line == PendingLine::Count)
        m_host.setCountLine(countText());
    else if (line == PendingLine::Message)
        m_host.setCountLine(m_pendingMessage);
}

QString FolderScanner::countText() const
{
    QString text = m_numberLocale.toString(m_matchCount) + QStringLiteral(" matched ") + m_pattern;
    if (m_subFolders)
        text += QStringLiteral(" (including sub-folders)");
    return text;
}

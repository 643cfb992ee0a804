#pragma once

#include <QElapsedTimer>
#include <QLocale>
#include <QSet>
#include <QString>

#include <memory>

#include "platform/DirectoryLister.h"

class FileList;
class PatternMatcher;
class ScanHost;

// The folder scan: appends to the file list the full path of every file of a folder whose
// name matches a pattern, depth first through the sub-folders when asked, while the main
// window stays responsive (ScanHost).
//
// Folders are entered through links too, but no folder (device and inode) is entered twice in
// one scan, so link loops end and each real folder is listed once. Only regular files (or links
// to them) are listed; FIFOs, sockets, devices and dangling links are passed over, and no file
// is ever opened.
class FolderScanner
{
public:
    // The pattern every rescan of the folder box uses.
    static QString scanPattern() { return QStringLiteral("*.*"); }
    // matchCount is a 16-bit value; the list holds no more entries than it can count.
    static constexpr int MaxMatchCount = 32767;
    // How often, at most, the count line is handed to the host while a scan runs (ms).
    static constexpr int DefaultCountLineInterval = 15;

    FolderScanner(FileList &list, ScanHost &host, DirectoryLister &lister);
    // Lists folders with the POSIX directory lister.
    FolderScanner(FileList &list, ScanHost &host);
    ~FolderScanner();

    FolderScanner(const FolderScanner &) = delete;
    FolderScanner &operator=(const FolderScanner &) = delete;

    // Runs one scan of `folder` (trimmed of surrounding blanks unless the untrimmed path is a
    // folder itself) with `pattern`, into its sub-folders when `subFolders` is set. Starts with
    // matchCount at 0 and appends to the list as it finds files (the caller empties the list
    // first). Ends with the count line handed to the host when the scan changed it:
    //   "1,234 matched *.*[ (including sub-folders)]"  after listed files,
    //   "No match for <folder/><pattern>"              when the folder cannot be read and
    //                                                   sub-folders are off,
    //   "Error searching <folder/><pattern>"           when a folder's scan failed (later
    //                                                   listed files replace it again).
    // Nothing reaches the caller as a failure. A call made while a scan runs (from an event
    // handler during the scan) is ignored.
    void fnSearchFolder(const QString &folder, const QString &pattern, bool subFolders);

    bool isScanning() const { return m_scanning; }
    // Files listed by the current or last scan.
    int matchCount() const { return m_matchCount; }

    // The locale whose thousands separator groups the count (QLocale::system() by default).
    void setNumberLocale(const QLocale &locale);
    // 0 hands every change of the count line to the host at once.
    void setCountLineInterval(int milliseconds) { m_countLineInterval = milliseconds; }

private:
    enum class PendingLine { None, Count, Message };

    void searchOpenedFolder(const QString &folder, DirectoryEnumeration &enumeration,
                            bool subFolders);
    bool handleEntry(const QString &folder, const DirectoryEntry &entry, bool subFolders);
    bool enterSubFolder(const QString &path);
    bool listFile(const QString &path);
    void processPendingEvents();

    void noteMessage(const QString &text);
    void handOverCountLine();
    QString countText() const;

    FileList &m_list;
    ScanHost &m_host;
    std::unique_ptr<DirectoryLister> m_ownLister;
    DirectoryLister &m_lister;
    QLocale m_numberLocale;
    int m_countLineInterval = DefaultCountLineInterval;

    // State of the running scan.
    bool m_scanning = false;
    qint16 m_matchCount = 0;
    QString m_pattern;
    bool m_subFolders = false;
    const PatternMatcher *m_matcher = nullptr;
    QSet<FolderIdentity> m_visited;
    PendingLine m_pendingLine = PendingLine::None;
    QString m_pendingMessage;
    QElapsedTimer m_sinceHandOver;
};

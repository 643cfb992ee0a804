// The folder scan: which entries are listed, in what order, the count line, Stop, failures that
// end only their own folder, the list limit, and real folders with links and FIFOs.
#include "FakeScanHost.h"
#include "ScriptedDirectoryLister.h"

#include "files/FileList.h"
#include "files/FolderScanner.h"
#include "files/PathText.h"
#include "platform/PosixDirectoryLister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using Lister = ScriptedDirectoryLister;
using Entries = QVector<DirectoryEntry>;

namespace {

const QString SubCount = QStringLiteral("%1 matched *.* (including sub-folders)");

// One scan's world. Every count line is handed over at once, grouped the C locale's way.
struct ScanRun
{
    explicit ScanRun(DirectoryLister *realLister = nullptr)
        : scanner(realLister ? FolderScanner(list, host, *realLister) : FolderScanner(list, host, lister))
    {
        scanner.setCountLineInterval(0);
        scanner.setNumberLocale(QLocale::c());
    }
    QStringList scan(const QString &folder, bool subFolders)
    {
        list.clear();
        scanner.fnSearchFolder(folder, "*.*", subFolders);
        QStringList paths;
        for (int i = 0; i < list.count(); ++i)
            paths.append(list.entry(i));
        return paths;
    }

    Lister lister;
    FakeScanHost host;
    FileList list;
    FolderScanner scanner;
};

Entries files(int count)
{
    Entries entries;
    for (int i = 1; i <= count; ++i)
        entries.append(Lister::file(QStringLiteral("f%1.jpg").arg(i, 5, 10, QChar(u'0'))));
    return entries;
}

void makeFiles(const QString &dir, const QStringList &names)
{
    for (const QString &name : names) {
        QVERIFY(QDir().mkpath(QFileInfo(dir + name).path()));
        QFile file(dir + name);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(dir + name));
    }
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestFolderScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void whichEntriesAreListed_data()
    {
        QTest::addColumn<DirectoryEntry>("entry");
        QTest::addColumn<bool>("listed");
        QTest::newRow("picture") << Lister::file("a.jpg") << true;
        QTest::newRow("no dot") << Lister::file("README") << false;
        QTest::newRow("dot at end") << Lister::file("a.") << true;
        QTest::newRow("system file") << Lister::file("desktop.ini") << true;
        QTest::newRow("pagefile") << Lister::file("PAGEFILE.SYS") << false;
        QTest::newRow("pagefile inside a name") << Lister::file("old pagefile.sys.bak") << false;
        QTest::newRow("system volume information") << Lister::file("System Volume Information.txt") << false;
        QTest::newRow("empty name") << Lister::file("") << false;
        QTest::newRow("folder") << Lister::folder("d.jpg") << false;
        QTest::newRow("fifo, socket, device, dangling link") << Lister::other("pipe.jpg") << false;
    }
    void whichEntriesAreListed()
    {
        QFETCH(DirectoryEntry, entry);
        QFETCH(bool, listed);
        ScanRun run;
        run.lister.add("/p", {Lister::folder("."), entry, Lister::folder("..")});
        QCOMPARE(run.scan("/p", false), listed ? QStringList{"/p/" + entry.name} : QStringList());
        QCOMPARE(run.host.countLine(), listed ? QStringLiteral("1 matched *.*") : QString());
    }

    void subFoldersDepthFirstInEnumerationOrder()
    {
        ScanRun run;
        run.lister.add("/p", {Lister::file("a.jpg"), Lister::folder("s"), Lister::file("z.jpg"),
                              Lister::folder("SYSTEM VOLUME INFORMATION")});
        run.lister.add("/p/s", {Lister::folder("."), Lister::folder(".."), Lister::file("b.jpg")});
        run.lister.add("/p/SYSTEM VOLUME INFORMATION", {Lister::file("hidden.jpg")});
        QCOMPARE(run.scan("/p", true), QStringList({"/p/a.jpg", "/p/s/b.jpg", "/p/z.jpg"}));
        QCOMPARE(run.host.boxMoves, QStringList{"/p/s"});
        QCOMPARE(run.host.countLine(), SubCount.arg(3));
        QVERIFY(!run.lister.opened.contains("/p/SYSTEM VOLUME INFORMATION"));

        run.host.boxMoves.clear();
        QCOMPARE(run.scan("/p", false), QStringList({"/p/a.jpg", "/p/z.jpg"}));
        QCOMPARE(run.host.boxMoves, QStringList());
    }

    void countIsGroupedTheLocalesWay()
    {
        ScanRun run;
        run.scanner.setNumberLocale(QLocale(QLocale::German, QLocale::Germany));
        run.lister.add("/p", files(1000));
        run.scan("/p", true);
        QCOMPARE(run.host.countLine(), SubCount.arg("1.000"));
    }

    void countLineHandedOverOnlyWhenDue()
    {
        ScanRun run;
        run.lister.add("/p", files(3));
        QCOMPARE(run.scan("/p", false).size(), 3);
        QCOMPARE(run.host.countLines, QStringList({"1 matched *.*", "2 matched *.*", "3 matched *.*"}));

        // Events run for every entry; the line goes over only once due, so here only at each end.
        run.scanner.setCountLineInterval(24 * 3600 * 1000);
        run.host.countLines.clear();
        run.lister.add("/p", files(500));
        run.scan("/p", false);
        run.scan("/p", false);
        QCOMPARE(run.host.eventRounds, 3 + 2 * 500);
        QCOMPARE(run.host.countLines, QStringList({"500 matched *.*", "500 matched *.*"}));
    }

    void nothingListed_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("subFolders");
        QTest::addColumn<QString>("expected");
        // An untouched line keeps the window's "Searching...", which then gets its ". Done".
        QTest::newRow("only . and ..") << "/dots" << false << "";
        QTest::newRow("missing") << "/gone" << false << "No match for /gone/*.*";
        QTest::newRow("missing, sub-folders") << "/gone" << true << "";
        QTest::newRow("empty drive root") << "/media/card" << false << "No match for /media/card/*.*";
        QTest::newRow("empty drive root, sub-folders") << "/media/card" << true << "";
        QTest::newRow("fails at once") << "/broken" << false << "No match for /broken/*.*";
    }
    void nothingListed()
    {
        QFETCH(QString, folder);
        QFETCH(bool, subFolders);
        QFETCH(QString, expected);
        ScanRun run;
        run.lister.add("/dots", {Lister::folder("."), Lister::folder("..")});
        run.lister.add("/media/card", {});
        run.lister.add("/broken", {Lister::file("a.jpg")}).failAfter = 0;
        QCOMPARE(run.scan(folder, subFolders), QStringList());
        QCOMPARE(run.host.countLine(), expected);
    }

    void startFolderTrimmedButRealNamesKept()
    {
        ScanRun run;
        run.lister.add("/p", {Lister::file("a.jpg"), Lister::folder("s ")});
        run.lister.add("/p/s ", {Lister::file("b.jpg")});
        run.lister.add("/q ", {Lister::file("c.jpg")});
        QCOMPARE(run.scan("  /p  ", true), QStringList({"/p/a.jpg", "/p/s /b.jpg"}));
        QCOMPARE(run.host.boxMoves, QStringList{"/p/s "});
        QCOMPARE(run.scan("/p/", false), QStringList{"/p/a.jpg"});
        // On Linux a blank can end a folder's real name.
        QCOMPARE(run.scan("/q ", false), QStringList{"/q /c.jpg"});
        QCOMPARE(fnAddBackslash("   "), QStringLiteral("/"));
        QCOMPARE(fnAddBackslash("/a\t\n"), QStringLiteral("/a\t\n/"));  // tab and newline are not blanks
    }

    void stopHandlesOneMoreEntryPerLevel_data()
    {
        QTest::addColumn<int>("stopInRound");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("boxMoves");
        // Event rounds: 1 f1, 2 f2, 3 s/, 4 s/g1, 5 s/t/, 6 s/t/h1, 7 s/t/h2, 8 s/g2, 9 f3.
        QTest::newRow("a sub-folder just met is entered, for one entry")
            << 3 << QStringList{"/p/f1.jpg", "/p/f2.jpg", "/p/s/g1.jpg"} << QStringList{"/p/s"};
        QTest::newRow("two levels down")
            << 5 << QStringList{"/p/f1.jpg", "/p/f2.jpg", "/p/s/g1.jpg", "/p/s/t/h1.jpg"}
            << QStringList{"/p/s", "/p/s/t"};
        QTest::newRow("never")
            << 0
            << QStringList{"/p/f1.jpg", "/p/f2.jpg", "/p/s/g1.jpg", "/p/s/t/h1.jpg", "/p/s/t/h2.jpg",
                           "/p/s/g2.jpg", "/p/f3.jpg"}
            << QStringList{"/p/s", "/p/s/t"};
    }
    void stopHandlesOneMoreEntryPerLevel()
    {
        QFETCH(int, stopInRound);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, boxMoves);
        ScanRun run;
        run.lister.add("/p", {Lister::file("f1.jpg"), Lister::file("f2.jpg"), Lister::folder("s"),
                              Lister::file("f3.jpg")});
        run.lister.add("/p/s", {Lister::file("g1.jpg"), Lister::folder("t"), Lister::file("g2.jpg")});
        run.lister.add("/p/s/t", {Lister::file("h1.jpg"), Lister::file("h2.jpg")});
        run.host.onEvents = [&](int round) { run.host.stopped = run.host.stopped || round == stopInRound; };
        QCOMPARE(run.scan("/p", true), expected);
        QCOMPARE(run.host.boxMoves, boxMoves);
        QCOMPARE(run.host.countLine(), SubCount.arg(expected.size()));
    }

    void failureEndsOnlyItsFolder_data()
    {
        QTest::addColumn<Entries>("inner");
        QTest::addColumn<int>("failAfter");
        QTest::addColumn<bool>("boxRefuses");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("error");
        const QStringList outer{"/p/a.jpg", "/p/s/b1.jpg", "/p/z.jpg"};
        const Entries three{Lister::file("b1.jpg"), Lister::file("b2.jpg"), Lister::file("b3.jpg")};
        QTest::newRow("attributes cannot be read")
            << Entries{Lister::file("b1.jpg"), Lister::unreadable("x"), Lister::file("b2.jpg")}
            << -1 << false << outer << "Error searching /p/s/*.*";
        QTest::newRow("reading fails") << three << 1 << false << outer << "Error searching /p/s/*.*";
        QTest::newRow("skipped names are not looked at")
            << Entries{Lister::file("b1.jpg"), {"pagefile.sys", EntryKind::Unreadable}} << -1 << false << outer
            << "";
        // The parent fails: its scan ends there.
        QTest::newRow("folder box refuses") << three << -1 << true << QStringList{"/p/a.jpg"}
                                            << "Error searching /p/*.*";
    }
    void failureEndsOnlyItsFolder()
    {
        QFETCH(Entries, inner);
        QFETCH(int, failAfter);
        QFETCH(bool, boxRefuses);
        QFETCH(QStringList, expected);
        QFETCH(QString, error);
        ScanRun run;
        run.lister.add("/p", {Lister::file("a.jpg"), Lister::folder("s"), Lister::file("z.jpg")});
        run.lister.add("/p/s", inner).failAfter = failAfter;
        run.host.onMoveFolderBox = [&](const QString &) { return !boxRefuses; };
        QCOMPARE(run.scan("/p", true), expected);
        QCOMPARE(run.host.countLines.contains(error), !error.isEmpty());
        // A later file puts the count back.
        QCOMPARE(run.host.countLine(), boxRefuses ? error : SubCount.arg(3));
    }

    void listNeverPassesTheCountLimit()
    {
        ScanRun run;
        const Entries big = files(32800);
        run.lister.add("/p", {Lister::folder("big"), Lister::folder("more"), Lister::file("after.jpg")});
        run.lister.add("/p/big", big);
        run.lister.add("/p/more", {Lister::file("m.jpg")});
        run.scan("/p", true);
        // The 32,768th file is refused and ends its folder's scan; each later folder fails on its first.
        QCOMPARE(run.list.count(), FileList::MaxEntries);
        QCOMPARE(run.scanner.matchCount(), FolderScanner::MaxMatchCount);
        QCOMPARE(run.list.entry(FileList::MaxEntries - 1), "/p/big/" + big[FileList::MaxEntries - 1].name);
        QCOMPARE(run.host.countLines.mid(run.host.countLines.size() - 4),
                 QStringList({SubCount.arg("32,767"), "Error searching /p/big/*.*",
                              "Error searching /p/more/*.*", "Error searching /p/*.*"}));
    }

    void scanStartedDuringAScanIsIgnored()
    {
        ScanRun run;
        run.lister.add("/p", {Lister::file("a.jpg"), Lister::file("b.jpg")});
        run.lister.add("/q", {Lister::file("q.jpg")});
        run.host.onEvents = [&](int) { run.scanner.fnSearchFolder("/q", "*.*", false); };
        QCOMPARE(run.scan("/p", false), QStringList({"/p/a.jpg", "/p/b.jpg"}));
        QCOMPARE(run.host.countLine(), QStringLiteral("2 matched *.*"));
    }

    // ------------------------------------------------------------------------ real folders

    void linkLoopsEndAndEachFolderIsListedOnce()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString top = temp.path() + "/top";
        makeFiles(temp.path(), {"/top/x.jpg", "/top/sub/y.jpg", "/top/sub/deeper/w.jpg", "/elsewhere/e.jpg"});
        QVERIFY(QFile::link("..", top + "/sub/up"));
        QVERIFY(QFile::link("up", top + "/sub/again"));  // a link to a link to ..
        QVERIFY(QFile::link(".", top + "/self"));
        QVERIFY(QFile::link("../sub", top + "/sub/deeper/back"));
        QVERIFY(QFile::link("../elsewhere", top + "/outside"));  // linked folders are followed

        PosixDirectoryLister lister;
        ScanRun run(&lister);
        QStringList real;
        for (const QString &entry : run.scan(top, true))
            real.append(QFileInfo(entry).canonicalFilePath());
        const QString canonical = QFileInfo(temp.path()).canonicalFilePath();
        QCOMPARE(sorted(real), QStringList({canonical + "/elsewhere/e.jpg", canonical + "/top/sub/deeper/w.jpg",
                                            canonical + "/top/sub/y.jpg", canonical + "/top/x.jpg"}));
        QVERIFY(run.list.entry(0).startsWith(top + u'/'));
    }

    // Each folder in natural name order, a sub-folder walked where its name falls among the files.
    void realFoldersInNaturalOrder()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString top = temp.path();
        makeFiles(top, {"/b1.jpg", "/a10.jpg", "/A20/b.jpg", "/a9.jpg", "/a3/C10.jpg", "/a3/c2.jpg"});
        PosixDirectoryLister lister;
        ScanRun run(&lister);
        QCOMPARE(run.scan(top, true), QStringList({top + "/a3/c2.jpg", top + "/a3/C10.jpg", top + "/a9.jpg",
                                                   top + "/a10.jpg", top + "/A20/b.jpg", top + "/b1.jpg"}));
        QCOMPARE(run.host.boxMoves, QStringList({top + "/a3", top + "/A20"}));
    }

    void pipesSocketsAndLinksAreNeverListedOrOpened()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString dir = temp.path();
        makeFiles(dir, {"/real.jpg"});
        // Opening this FIFO would block the scan for good: nothing writes to it.
        QCOMPARE(mkfifo(QFile::encodeName(dir + "/pipe.jpg").constData(), 0600), 0);
        QVERIFY(QFile::link("pipe.jpg", dir + "/pipe-link.jpg"));
        QVERIFY(QFile::link("missing.jpg", dir + "/dangling.jpg"));
        QVERIFY(QFile::link("loop.jpg", dir + "/loop.jpg"));
        QVERIFY(QFile::link("/dev/null", dir + "/device.jpg"));
        QVERIFY(QFile::link("real.jpg", dir + "/file-link.jpg"));
        const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(listening >= 0);
        const auto closeSocket = qScopeGuard([listening] { ::close(listening); });
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(dir + "/socket.jpg");
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        qstrcpy(address.sun_path, socketPath.constData());
        QCOMPARE(bind(listening, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);

        PosixDirectoryLister lister;
        ScanRun run(&lister);
        QCOMPARE(sorted(run.scan(dir, true)), QStringList({dir + "/file-link.jpg", dir + "/real.jpg"}));
        QCOMPARE(run.host.countLine(), SubCount.arg(2));
    }

    void folderRemovedDuringTheScan()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString top = temp.path();
        makeFiles(top, {"/a.jpg", "/z.jpg", "/s/b.jpg", "/t/c.jpg"});
        PosixDirectoryLister lister;
        ScanRun run(&lister);

        // Something that runs while the scan is inside s removes it; the parent goes on.
        run.host.onEvents = [&](int) {
            if (run.host.boxMoves.endsWith(top + "/s"))
                QDir(top + "/s").removeRecursively();
        };
        const QStringList entries = run.scan(top, true);
        QVERIFY(entries.contains(top + "/a.jpg") && entries.contains(top + "/z.jpg"));
        QVERIFY(run.host.countLines.contains("Error searching " + top + "/s/*.*"));

        // The scanned folder itself goes away.
        run.host.onEvents = [&](int) { QDir(top + "/t").removeRecursively(); };
        run.scan(top + "/t", false);
        QCOMPARE(run.host.countLine(), "Error searching " + top + "/t/*.*");

        // Gone before the scan reaches it: it cannot be read, which is silent with sub-folders.
        QVERIFY(QDir().mkdir(top + "/u"));
        run.host.onEvents = [&](int) { QDir(top + "/u").removeRecursively(); };
        QCOMPARE(sorted(run.scan(top, true)), QStringList({top + "/a.jpg", top + "/z.jpg"}));
        QCOMPARE(run.host.countLine(), SubCount.arg(2));
    }

    void unreadableSubFolderSkippedSilently()
    {
        if (geteuid() == 0)
            QSKIP("Running as root, which reads every folder whatever its permissions.");
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString top = temp.path();
        makeFiles(top, {"/a.jpg", "/locked/x.jpg"});
        QVERIFY(QFile::setPermissions(top + "/locked", QFileDevice::Permissions()));
        const auto unlock = qScopeGuard([&top] {
            QFile::setPermissions(top + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                       | QFileDevice::ExeOwner);
        });

        PosixDirectoryLister lister;
        ScanRun run(&lister);
        QCOMPARE(run.scan(top, true), QStringList{top + "/a.jpg"});
        QCOMPARE(run.host.countLines, QStringList{SubCount.arg(1)});
        QCOMPARE(run.host.boxMoves, QStringList());
        // Alone and without sub-folders, it cannot be read at all.
        run.scan(top + "/locked", false);
        QCOMPARE(run.host.countLine(), "No match for " + top + "/locked/*.*");
    }
};

QTEST_GUILESS_MAIN(TestFolderScanner)
#include "tst_folderscanner.moc"

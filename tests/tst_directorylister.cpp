// The POSIX lister: the kind of every entry without opening it (FIFOs, devices, links of every
// sort), natural name order, what cannot be opened as a folder, and a folder replaced while it
// is read.
#include "platform/LocalPath.h"
#include "platform/PosixDirectoryLister.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes each entry in the given order, a name ending in "/" a folder; names are raw bytes.
void makeEntries(const QByteArray &dir, const QList<QByteArray> &names)
{
    QCOMPARE(::mkdir(dir.constData(), 0700), 0);
    for (const QByteArray &name : names) {
        const QByteArray path = dir + '/' + name;
        if (name.endsWith('/')) {
            QCOMPARE(::mkdir(path.constData(), 0700), 0);
        } else {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            QVERIFY2(fd >= 0, path.constData());
            ::close(fd);
        }
    }
}

QList<QByteArray> namesListed(DirectoryLister &lister, const QByteArray &dir)
{
    QList<QByteArray> names;
    const std::unique_ptr<DirectoryEnumeration> enumeration = lister.open(LocalPath::decode(dir));
    if (!enumeration)
        return names;
    DirectoryEntry entry;
    while (enumeration->next(entry))
        names.append(LocalPath::encode(entry.name) + (entry.kind == EntryKind::Directory ? "/" : ""));
    return names;
}

} // namespace

class TestDirectoryLister : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_dir = m_temp->path();
        QFile file(m_dir + "/file.jpg");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkdir(m_dir + "/folder"));
        QVERIFY(QDir().mkdir(m_dir + "/.hidden"));
        // Were the lister to open a FIFO, it would hang here: nothing writes to it.
        QCOMPARE(mkfifo(QFile::encodeName(m_dir + "/pipe.jpg").constData(), 0600), 0);
        const QList<QPair<const char *, const char *>> links{
            {"file.jpg", "file-link.jpg"}, {"folder", "folder-link"}, {"pipe.jpg", "pipe-link.jpg"},
            {"/dev/null", "device.jpg"},   {"nowhere", "dangling"},   {"loop.jpg", "loop.jpg"},
            {"file.jpg/x", "through.jpg"}};
        for (const auto &[target, name] : links)
            QVERIFY(QFile::link(target, m_dir + u'/' + name));
    }

    void kindOfEachEntry()
    {
        const QHash<QString, EntryKind> expected{
            {"file.jpg", EntryKind::RegularFile}, {"file-link.jpg", EntryKind::RegularFile},
            {"folder", EntryKind::Directory},     {".hidden", EntryKind::Directory},
            {".", EntryKind::Directory},          {"..", EntryKind::Directory},
            {"folder-link", EntryKind::Directory}, {"pipe.jpg", EntryKind::Other},
            {"pipe-link.jpg", EntryKind::Other},  {"device.jpg", EntryKind::Other},
            {"dangling", EntryKind::Other},       {"loop.jpg", EntryKind::Other},
            {"through.jpg", EntryKind::Other}};
        const std::unique_ptr<DirectoryEnumeration> enumeration = m_lister.open(m_dir);
        QVERIFY(enumeration);
        QStringList met;
        DirectoryEntry entry;
        while (enumeration->next(entry)) {
            met.append(entry.name);
            QVERIFY2(expected.contains(entry.name) && expected[entry.name] == entry.kind, qPrintable(entry.name));
        }
        QVERIFY(!enumeration->failed());
        QStringList names = expected.keys();
        names.sort();
        met.sort();
        QCOMPARE(met, names);
    }

    // Whatever order the file system keeps: "." and ".." first, then letter case ignored, runs
    // of digits compared as numbers, folders among the files, names that are not UTF-8 by
    // their other characters; names equal but for case or leading zeros by their code units.
    void entriesInNaturalNameOrder()
    {
        const QList<QByteArray> expected{"./", "../", "A.jpg", "a.jpg", "B.jpg", "c/", "img1.jpg", "img2.jpg",
                                         "IMG3.jpg", "img9/", "img10.jpg", "p05.jpg", "p5.jpg", "p007.jpg",
                                         "p10.jpg", "x.jpg", "x\xff.jpg", "y.jpg"};
        const QByteArray dir = QFile::encodeName(m_dir) + "/order";
        QList<QByteArray> made = expected.mid(2);
        std::reverse(made.begin(), made.end());
        std::rotate(made.begin(), made.begin() + 7, made.end());
        makeEntries(dir, made);
        QCOMPARE(namesListed(m_lister, dir), expected);
    }

    void nonAsciiNamesByTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QList<QByteArray> names{"apelsin.jpg", "\xc3\x84pple.jpg", "\xc3\xb6l.jpg", "ost.jpg", "zebra.jpg"};
        // German sorts umlauts with their base letters, Swedish after z.
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << names;
        QTest::newRow("Swedish") << QLocale(QLocale::Swedish, QLocale::Sweden)
                                 << QList<QByteArray>{names[0], names[3], names[4], names[1], names[2]};
    }
    void nonAsciiNamesByTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QList<QByteArray>, expected);
        const QByteArray dir = QFile::encodeName(m_dir) + "/order";
        makeEntries(dir, {"zebra.jpg", "\xc3\xb6l.jpg", "ost.jpg", "apelsin.jpg", "\xc3\x84pple.jpg"});
        PosixDirectoryLister lister(locale);
        QCOMPARE(namesListed(lister, dir).mid(2), expected);
    }

    void foldersThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file") << "file.jpg";
        QTest::newRow("a fifo") << "pipe.jpg";
        QTest::newRow("a dangling link") << "dangling";
        QTest::newRow("a looping link") << "loop.jpg";
        QTest::newRow("unreadable") << "unreadable";
    }
    void foldersThatCannotBeOpened()
    {
        QFETCH(QString, name);
        const QString path = m_dir + u'/' + name;
        // So that the temporary folder can be removed afterwards.
        const auto restore = qScopeGuard([&] {
            if (name == u"unreadable")
                QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (name == u"unreadable") {
            QVERIFY(QDir().mkdir(path));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
            if (::access(QFile::encodeName(path).constData(), R_OK) == 0)
                QSKIP("this process reads folders without read permission (root); run-as-user.sh runs it as a user");
        }
        QVERIFY(!m_lister.open(path));
        QVERIFY(!m_lister.open(QString()));
    }

    void folderReplacedWhileRead()
    {
        // The same folder through a link has the same identity.
        const auto folder = m_lister.open(m_dir + "/folder");
        const auto link = m_lister.open(m_dir + "/folder-link");
        QVERIFY(folder && link);
        QCOMPARE(link->identity(), folder->identity());
        QVERIFY(!(m_lister.open(m_dir)->identity() == folder->identity()));

        // Renamed away and replaced by another folder of that name while its entries were read:
        // the paths built from them would name the wrong files.
        DirectoryEntry entry;
        QVERIFY(folder->next(entry));
        QVERIFY(QDir().rename(m_dir + "/folder", m_dir + "/moved"));
        QVERIFY(QDir().mkdir(m_dir + "/folder"));
        while (folder->next(entry)) {
        }
        QVERIFY(folder->failed());
    }

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dir;
    PosixDirectoryLister m_lister;
};

QTEST_GUILESS_MAIN(TestDirectoryLister)
#include "tst_directorylister.moc"

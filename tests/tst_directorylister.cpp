// The POSIX lister: the kind of every entry without opening it (FIFOs, devices, links of every
// sort), what cannot be opened as a folder, and a folder replaced while it is read.
#include "platform/PosixDirectoryLister.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

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

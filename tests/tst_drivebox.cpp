// The drive box: the root and the mounted volumes (no system mounts), the user's choice, the
// volume that holds a path, and whether a volume is ready.
#include "files/DriveBox.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestDriveBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsTheRootAndNoSystemMounts()
    {
        DriveBox box;
        QVERIFY(box.count() > 0);
        QCOMPARE(box.itemData(0).toString(), QStringLiteral("/"));
        QCOMPARE(box.drive(), QStringLiteral("/"));
        QSet<QString> roots;
        for (int i = 0; i < box.count(); ++i) {
            const QString root = box.itemData(i).toString();
            QVERIFY2(QFileInfo(root).isDir() && box.itemText(i).startsWith(root), qPrintable(root));
            for (const QString system : {"/proc", "/sys", "/dev"})
                QVERIFY2(root != system && !root.startsWith(system + u'/'), qPrintable(root));
            roots.insert(root);
        }
        QCOMPARE(roots.size(), box.count());

        // The user choosing, even the volume already shown, is a change; the program setting it is not.
        QSignalSpy changed(&box, &DriveBox::driveChanged);
        Q_EMIT box.activated(0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toString(), QStringLiteral("/"));
        box.setCurrentIndex(box.count() - 1);
        QCOMPARE(changed.size(), 1);
        // Re-reading keeps the choice.
        const QString chosen = box.drive();
        box.refreshVolumes();
        QCOMPARE(box.drive(), chosen);
    }

    void setDriveForPicksTheDeepestVolume_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << "/";
        QTest::newRow("temporary folder") << QDir::tempPath();
        QTest::newRow("relative") << ".";
    }
    void setDriveForPicksTheDeepestVolume()
    {
        QFETCH(QString, path);
        DriveBox box;
        QSignalSpy changed(&box, &DriveBox::driveChanged);
        QVERIFY(box.setDriveFor(path));
        const QString root = box.drive();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toString(), root);
        const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
        const auto holds = [&absolute](const QString &volume) {
            return volume == "/" || absolute == volume || absolute.startsWith(volume + u'/');
        };
        QVERIFY(holds(root));
        for (int i = 0; i < box.count(); ++i) {
            const QString other = box.itemData(i).toString();
            QVERIFY2(other.size() <= root.size() || !holds(other), qPrintable(other));
        }
        QVERIFY(!box.setDriveFor(QString()));
    }

    void readiness()
    {
        QVERIFY(DriveBox::isReady("/"));
        QVERIFY(!DriveBox::isReady(""));
        QVERIFY(!DriveBox::isReady("/no/such/volume"));
        // A folder that is no volume's root: what a mount point looks like once its medium is gone.
        QTemporaryDir notMounted;
        QVERIFY(notMounted.isValid());
        QVERIFY(!DriveBox::isReady(notMounted.path()));
    }
};

QTEST_MAIN(TestDriveBox)
#include "tst_drivebox.moc"

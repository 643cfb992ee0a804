// The folder box: the way down to the folder and its sub-folders, normalised paths, folders it
// refuses, opening by double click or Enter, a folder gone before it opens, and the disabled box.
#include "files/FolderBox.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList itemTexts(const QListWidget &box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts.append(box.item(i)->text());
    return texts;
}

QListWidgetItem *itemNamed(const QListWidget &box, const QString &text)
{
    const QList<QListWidgetItem *> found = box.findItems(text, Qt::MatchExactly);
    return found.size() == 1 ? found.first() : nullptr;
}

// What the window system delivers for a double click: press, release, double click, release.
void doubleClick(QListWidget &box, QListWidgetItem *item)
{
    box.scrollToItem(item);
    const QPoint centre = box.visualItemRect(item).center();
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class TestFolderBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_base = QDir(m_temp->path()).canonicalPath() + "/base";
        for (const char *name : {"Beta", "alpha", ".hidden", "Zeta", "line\nbreak", "locked"})
            QVERIFY(QDir().mkpath(m_base + u'/' + QString::fromUtf8(name)));
        QVERIFY(QFile::link("alpha", m_base + "/gamma-link"));
        QVERIFY(QFile::link("nowhere", m_base + "/dangling"));
        QFile file(m_base + "/picture.jpg");
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void listsAncestorsAndSubFolders()
    {
        FolderBox box;
        QSignalSpy changed(&box, &FolderBox::pathChanged);
        QVERIFY(box.setPath(m_base));
        QCOMPARE(box.path(), m_base);
        // Root first, one item per level down to the current folder, highlighted; then its
        // sub-folders (hidden ones and links too) in natural name order; no files or dangling links.
        QStringList expected{"/"};
        expected += m_base.split(u'/', Qt::SkipEmptyParts);
        const int currentRow = int(expected.size()) - 1;
        expected += QStringList{".hidden", "alpha", "Beta", "gamma-link",
                                QString("line") + QChar::ReplacementCharacter + "break", "locked", "Zeta"};
        QCOMPARE(itemTexts(box), expected);
        QCOMPARE(box.currentRow(), currentRow);
        QVERIFY(box.item(currentRow)->isSelected());
        // Setting the same folder again is a change too.
        QVERIFY(box.setPath(m_base + "/"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).first().toString(), m_base);
    }

    void pathIsNormalised_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("current");
        QTest::newRow("doubled slash") << "base//alpha" << "base/alpha" << "alpha";
        QTest::newRow("dot and dot-dot") << "base/./Beta/../alpha" << "base/alpha" << "alpha";
        QTest::newRow("blank ending a name") << "base/spaced " << "base/spaced " << "spaced ";
        QTest::newRow("root") << "/" << "/" << "/";
    }
    void pathIsNormalised()
    {
        QFETCH(QString, given);
        QFETCH(QString, expected);
        QFETCH(QString, current);
        QVERIFY(QDir().mkpath(m_base + "/spaced "));
        const QString parent = given == "/" ? QString() : QFileInfo(m_base).path() + u'/';
        FolderBox box;
        QVERIFY(box.setPath(parent + given));
        QCOMPARE(box.path(), parent + expected);
        QCOMPARE(box.currentItem()->text(), current);
    }

    void refusesWhatCannotBeListed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file") << "picture.jpg";
        QTest::newRow("a dangling link") << "dangling";
        QTest::newRow("empty") << "";
        QTest::newRow("unreadable") << "locked";
    }
    void refusesWhatCannotBeListed()
    {
        QFETCH(QString, name);
        if (name == "locked") {
            if (geteuid() == 0)
                QSKIP("Running as root, which reads every folder whatever its permissions.");
            QVERIFY(QFile::setPermissions(m_base + "/locked", QFileDevice::Permissions()));
        }
        FolderBox box;
        QVERIFY(box.setPath(m_base + "/alpha"));
        const QStringList before = itemTexts(box);
        QSignalSpy changed(&box, &FolderBox::pathChanged);
        QVERIFY(!box.setPath(name.isEmpty() ? QString() : m_base + u'/' + name));
        QFile::setPermissions(m_base + "/locked",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(box.path(), m_base + "/alpha");
        QCOMPARE(itemTexts(box), before);
        QCOMPARE(changed.size(), 0);
    }

    void clickHighlightsDoubleClickAndEnterOpen()
    {
        FolderBox box;
        box.resize(300, 400);
        QVERIFY(box.setPath(m_base));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy changed(&box, &FolderBox::pathChanged);

        QListWidgetItem *beta = itemNamed(box, "Beta");
        QVERIFY(beta);
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.visualItemRect(beta).center());
        QCOMPARE(box.currentItem(), beta);
        QCOMPARE(changed.size(), 0);

        doubleClick(box, beta);
        QCOMPARE(box.path(), m_base + "/Beta");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toString(), m_base + "/Beta");
        QCOMPARE(box.currentItem()->text(), QStringLiteral("Beta"));
        // An ancestor opens the same way.
        doubleClick(box, itemNamed(box, "base"));
        QCOMPARE(box.path(), m_base);
        // The keys move the highlight; Enter opens it.
        box.setCurrentItem(itemNamed(box, "gamma-link"));
        QTest::keyClick(&box, Qt::Key_Down);
        QCOMPARE(changed.size(), 2);
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(box.path(), m_base + "/line\nbreak");
        QCOMPARE(changed.size(), 3);

        // A folder removed after it was listed is dropped, not opened.
        QVERIFY(box.setPath(m_base));
        changed.clear();
        QVERIFY(QDir(m_base + "/Zeta").removeRecursively());
        doubleClick(box, itemNamed(box, "Zeta"));
        QCOMPARE(box.path(), m_base);
        QCOMPARE(changed.size(), 0);
        QVERIFY(!itemNamed(box, "Zeta"));
    }

    void disabledBoxListsSubFoldersOnceEnabled()
    {
        FolderBox box;
        box.setEnabled(false);
        QSignalSpy changed(&box, &FolderBox::pathChanged);
        // A scan moves the disabled box through folder after folder; only the way down is shown.
        QVERIFY(box.setPath(m_base + "/Beta"));
        QVERIFY(box.setPath(m_base));
        QCOMPARE(changed.size(), 2);
        QTRY_COMPARE(box.count(), int(m_base.count(u'/')) + 1);
        QCOMPARE(box.currentItem()->text(), QStringLiteral("base"));
        box.setEnabled(true);
        QVERIFY(itemNamed(box, "alpha"));
        QCOMPARE(box.currentItem()->text(), QStringLiteral("base"));

        // Enabled again before the event loop ran: the new folder's sub-folders are there at once.
        box.setEnabled(false);
        QVERIFY(box.setPath(m_base + "/alpha"));
        box.setEnabled(true);
        QCOMPARE(box.currentItem()->text(), QStringLiteral("alpha"));
        QVERIFY(!itemNamed(box, "Beta"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_base;
};

QTEST_MAIN(TestFolderBox)
#include "tst_folderbox.moc"

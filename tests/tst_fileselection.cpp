// Selecting in the file list: by pattern on the file name alone, all or none, and trimming to
// the ticked entries, each keeping the current entry; the pattern examples hold for the matcher.
#include "files/FileList.h"
#include "files/FileSelection.h"
#include "files/PatternMatcher.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using Ticks = QList<int>;

namespace {

void fillList(FileList &list, const QStringList &paths, const Ticks &ticked = {})
{
    list.replaceAll(QVector<QString>(paths.begin(), paths.end()), {});
    for (int index : ticked)
        list.setTicked(index, true);
}

Ticks tickedIndexes(const FileList &list)
{
    Ticks ticked;
    for (int i = 0; i < list.count(); ++i) {
        if (list.isTicked(i))
            ticked.append(i);
    }
    return ticked;
}

QStringList entries(const FileList &list)
{
    QStringList paths;
    for (int i = 0; i < list.count(); ++i)
        paths.append(list.entry(i));
    return paths;
}

} // namespace

class TestFileSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("no separator") << "a.jpg" << "a.jpg";
        QTest::newRow("ends in separator") << "/pics/" << "";
        QTest::newRow("backslash is a name character") << "/pics/a\\b.jpg" << "a\\b.jpg";
        QTest::newRow("odd folder") << "/we?ird/[x]*\n/b.gif" << "b.gif";
    }
    void fileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileSelection::fnGetFileName(path), name);
    }

    void selectPattern_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<Ticks>("expected");
        QTest::newRow("*.JPG") << QStringList{"/pics/a.jpg", "/pics/B.Jpg", "/pics/c.gif", "/pics/d.jpeg"}
                               << "*.JPG" << Ticks{0, 1};
        QTest::newRow("folder part never matched") << QStringList{"/home/Pics/a.jpg", "/pics/pics1.jpg"}
                                                   << "pics*" << Ticks{1};
        QTest::newRow("no partial match") << QStringList{"/x/a", "/x/A", "/x/cat.jpg", "/a/b"} << "a" << Ticks{0, 1};
        QTest::newRow("[!0-9]*, empty name") << QStringList{"/x/1a.jpg", "/x/a1.jpg", "/x/-.jpg", "/x/"}
                                             << "[!0-9]*" << Ticks{1, 2};
        QTest::newRow("empty pattern") << QStringList{"/x/a.jpg", "/x/b"} << "" << Ticks{};
        QTest::newRow("malformed") << QStringList{"/x/m.jpg", "/x/[z-a]"} << "[z-a]*" << Ticks{};
        QTest::newRow("names with ?, newline") << QStringList{"/x/a?b.jpg", "/x/line\nbreak.jpg", "/x/ab.jpg"}
                                               << "*[?]*" << Ticks{0};
    }
    void selectPattern()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, pattern);
        QFETCH(Ticks, expected);
        FileList list;
        fillList(list, paths);
        QSignalSpy changed(&list, &FileList::dataChanged);
        QCOMPARE(FileSelection::selectPattern(list, pattern), expected.size());
        QCOMPARE(tickedIndexes(list), expected);
        QVERIFY(changed.count() <= 1);
    }

    void selectPatternReplacesSelection()
    {
        QStringList paths;
        for (int i = 0; i < 20; ++i)
            paths.append(QStringLiteral("/pics/%1.%2").arg(i).arg(i % 4 == 0 ? "jpg" : "png"));
        FileList list;
        fillList(list, paths, {1, 2, 3, 8});
        QCOMPARE(FileSelection::selectPattern(list, QStringLiteral("*.jpg")), 5);
        QCOMPARE(tickedIndexes(list), (Ticks{0, 4, 8, 12, 16}));
        QCOMPARE(list.tickedCount(), 5);
        QCOMPARE(FileSelection::selectionCountText(32767), QStringLiteral("32767 selected"));
    }

    void currentEntryKept_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("operation");
        for (int current : {-1, 0, 2}) {
            QTest::addRow("select all, current %d", current) << current << 0;
            QTest::addRow("select none, current %d", current) << current << 1;
            QTest::addRow("select pattern, current %d", current) << current << 2;
        }
    }
    void currentEntryKept()
    {
        QFETCH(int, current);
        QFETCH(int, operation);
        FileList list;
        fillList(list, {"/a.jpg", "/b.jpg", "/c.gif", "/d.jpg"}, {1});
        list.setCurrentIndex(current);
        switch (operation) {
        case 0: FileSelection::selectAll(list); break;
        case 1: FileSelection::selectNone(list); break;
        default: FileSelection::selectPattern(list, QStringLiteral("*.jpg")); break;
        }
        QCOMPARE(list.currentIndex(), current);
        const Ticks expected[] = {{0, 1, 2, 3}, {}, {0, 1, 3}};
        QCOMPARE(tickedIndexes(list), expected[operation]);
    }

    void emptyList()
    {
        FileList list;
        FileSelection::selectAll(list);
        FileSelection::selectNone(list);
        QCOMPARE(FileSelection::selectPattern(list, QStringLiteral("*.*")), 0);
        FileSelection::trimList(list);
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(FileSelection::selectionCountText(0), QStringLiteral("0 selected"));
    }

    void trimList_data()
    {
        QTest::addColumn<Ticks>("ticked");
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("currentAfter");
        QTest::newRow("1, 3 and 4 ticked") << Ticks{1, 3, 4} << 3 << QStringList{"/1", "/3", "/4"} << 1;
        QTest::newRow("current not kept") << Ticks{1, 3, 4} << 2 << QStringList{"/1", "/3", "/4"} << -1;
        QTest::newRow("nothing ticked") << Ticks{} << 0 << QStringList{} << -1;
    }
    void trimList()
    {
        QFETCH(Ticks, ticked);
        QFETCH(int, current);
        QFETCH(QStringList, remaining);
        QFETCH(int, currentAfter);
        FileList list;
        fillList(list, {"/0", "/1", "/2", "/3", "/4", "/5"}, ticked);
        list.setCurrentIndex(current);
        FileSelection::trimList(list);
        QCOMPARE(entries(list), remaining);
        QCOMPARE(list.tickedCount(), remaining.size());
        QCOMPARE(list.currentIndex(), currentAfter);
        // Select All then Trim List leaves the list as it is.
        FileSelection::selectAll(list);
        FileSelection::trimList(list);
        QCOMPARE(entries(list), remaining);
        QCOMPARE(list.currentIndex(), currentAfter);
    }

    void examplesText()
    {
        const QString text = FileSelection::patternExamplesText();
        QVERIFY(text.endsWith(u'\n'));
        const QStringList lines = text.split(u'\n');
        QCOMPARE(lines.size(), 12);  // eleven lines, each ending in a line break
        QCOMPARE(lines.at(0), QStringLiteral(" aBBBa   is matched by   a*a "));
        QCOMPARE(lines.at(2), QStringLiteral(" F   is NOT matched by   [!A-Z]"));
        QCOMPARE(lines.at(4), QStringLiteral(" aM5b   is matched by   a[L-P]#[!c-e] "));
        QCOMPARE(lines.at(7), QString());
        QCOMPARE(lines.at(8), QStringLiteral(" Note:  "));
        QCOMPARE(lines.at(9), QStringLiteral("         : Pictarra is designed to be case insensitive "));
        QCOMPARE(lines.at(10), QStringLiteral("         : the pattern matching is only on the filename not path "));
        // Every example the box shows must hold for the matcher.
        static const QRegularExpression example(QStringLiteral("^ (\\S+)   is (NOT )?matched by   (\\S+) ?$"));
        for (int i = 0; i < 7; ++i) {
            const QRegularExpressionMatch parts = example.match(lines.at(i));
            QVERIFY2(parts.hasMatch(), qPrintable(lines.at(i)));
            QVERIFY2(PatternMatcher::match(parts.captured(1), parts.captured(3)) == parts.captured(2).isEmpty(),
                     qPrintable(lines.at(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileSelection)
#include "tst_fileselection.moc"

// The pattern language on whole file names: "?", "*", "#", lists with "!", "-" and "]", "[]"
// and "[!]", case beyond ASCII; malformed patterns match nothing; no pattern makes it hang.
#include "files/PatternMatcher.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

class TestPatternMatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The examples box's own cases are checked against the matcher where the box is tested.
    void matching_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");

        // Whole-name matching, "?", "*" and "#".
        QTest::newRow("no partial match") << "a" << "cat.jpg" << false;
        QTest::newRow("? not two") << "?" << "ab" << false;
        QTest::newRow("? not none") << "?" << "" << false;
        QTest::newRow("* empty name") << "*" << "" << true;
        QTest::newRow("* must reach the end") << "*b" << "abc" << false;
        QTest::newRow("# one digit only") << "#" << "12" << false;
        QTest::newRow("# not other digits") << "#" << QString(QChar(0x0663)) << false;
        QTest::newRow("*.* trailing dot") << "*.*" << "a." << true;
        QTest::newRow("*.* no dot") << "*.*" << "README" << false;
        QTest::newRow("empty pattern") << "" << "a" << false;

        // "!" and "]" in and out of lists.
        QTest::newRow("[!!] excludes !") << "[!!]" << "!" << false;
        QTest::newRow("! not first is itself") << "[a!]" << "!" << true;
        QTest::newRow("] outside") << "a]" << "a]" << true;
        QTest::newRow("] ends list") << "[a]]" << "a]" << true;
        QTest::newRow("] not in list") << "[a]]" << "]" << false;

        // "-" literal first, last, and when it joins nothing.
        QTest::newRow("[-a] dash") << "[-a]" << "-" << true;
        QTest::newRow("[a-] dash") << "[a-]" << "-" << true;
        QTest::newRow("[!-a] dash") << "[!-a]" << "-" << false;
        QTest::newRow("[a-c-e] dash") << "[a-c-e]" << "-" << true;
        QTest::newRow("[a-c-e] d") << "[a-c-e]" << "d" << false;

        // Ranges, consecutive ranges, literals inside lists.
        QTest::newRow("range bounds") << "[b-d][b-d]" << "bd" << true;
        QTest::newRow("consecutive digit") << "[a-z0-9]" << "7" << true;
        QTest::newRow("consecutive other") << "[a-z0-9]" << "_" << false;
        QTest::newRow("[*] star") << "[*]" << "*" << true;
        QTest::newRow("[*] not any") << "[*]" << "a" << false;
        QTest::newRow("[?] not any") << "[?]" << "a" << false;
        QTest::newRow("[#] not digit") << "[#]" << "1" << false;
        QTest::newRow("[[] bracket") << "[[]" << "[" << true;

        // "[]" is the empty string; "[!]" is any one character.
        QTest::newRow("[] consumes nothing") << "a[]b" << "ab" << true;
        QTest::newRow("[] alone") << "[]" << "" << true;
        QTest::newRow("[] matches no char") << "[]" << "x" << false;
        QTest::newRow("[!] one char") << "[!]" << "x" << true;
        QTest::newRow("[!] not two") << "[!]" << "xy" << false;

        // Case-insensitivity beyond ASCII, characters outside the BMP.
        QTest::newRow("accented") << "été.jpg" << "ÉTÉ.JPG" << true;
        QTest::newRow("accented list") << "[À-Þ]*" << "écrin" << true;
        QTest::newRow("astral ?") << "?.jpg" << "😀.jpg" << true;
        QTest::newRow("astral ??") << "??" << "😀" << false;
        QTest::newRow("astral list") << "[😀-🙏]" << "🙂" << true;

        // Names holding the language's own characters.
        QTest::newRow("literal ? in name") << "a[?]b.*" << "a?b.jpg" << true;
        QTest::newRow("literal * in name") << "a[*]b" << "axb" << false;
        QTest::newRow("newline") << "line?break.jpg" << "line\nbreak.jpg" << true;
    }
    void matching()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, expected);
        const PatternMatcher matcher(pattern);
        QVERIFY(matcher.isWellFormed());
        QCOMPARE(matcher.matches(name), expected);
        QCOMPARE(PatternMatcher::match(name, pattern), expected);
    }

    void malformedPatternsMatchNothing_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("unclosed") << "[abc" << "[abc";
        QTest::newRow("unclosed negation") << "[!" << "x";
        QTest::newRow("unclosed after range") << "*[a-" << "a";
        QTest::newRow("descending") << "[z-a]*" << "m.jpg";
        QTest::newRow("descending after lower-casing") << "[Z-a]*" << "m.jpg";
    }
    void malformedPatternsMatchNothing()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        const PatternMatcher matcher(pattern);
        QVERIFY(!matcher.isWellFormed());
        QVERIFY(!matcher.matches(name));
        QVERIFY(!matcher.matches(QString()));
    }

    void pathologicalPatternsFinish_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        const QString as(20000, u'a');
        QTest::newRow("stars then b") << "*a*a*a*a*a*a*a*a*b" << as << false;
        QTest::newRow("stars, b at end") << "*a*a*a*a*a*a*a*a*b" << as + u'b' << true;
        QTest::newRow("stars then a, b at end") << "*a*a*a*a*a*a*a*a*a" << as + u'b' << false;
        QTest::newRow("stars and ?") << "*?*?*?*?*?*?*?*?*?*?*x" << as << false;
        QTest::newRow("stars and lists") << "*[a-c]*[!b]*[a]*[a-z]*#" << as << false;
    }
    // A matcher that backtracks exponentially never returns here; the match runs on a worker
    // so that such a fault fails this test instead of hanging the whole run.
    void pathologicalPatternsFinish()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, expected);
        auto result = std::make_shared<std::atomic<int>>(-1);
        std::thread([result, pattern, name] { result->store(PatternMatcher::match(name, pattern) ? 1 : 0); })
            .detach();
        QTRY_VERIFY_WITH_TIMEOUT(result->load() != -1, 20000);
        QCOMPARE(result->load() == 1, expected);
    }
};

QTEST_GUILESS_MAIN(TestPatternMatcher)
#include "tst_patternmatcher.moc"

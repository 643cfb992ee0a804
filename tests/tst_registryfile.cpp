// The settings file's text: the registry export format read strictly (anything cut short
// or malformed is refused whole), written back exactly, and fast at the largest size.
#include "settings/RegistryCodes.h"
#include "settings/RegistryDocument.h"
#include "settings/RegistryText.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// A compact, comparable picture of a document: "[path]" per key, "name=type:hex" per value.
QStringList describe(const RegistryDocument &document)
{
    QStringList lines;
    for (const RegistryDocument::Key &key : document.keys()) {
        lines << '[' + key.path + ']';
        for (const RegistryDocument::Value &value : key.values)
            lines << QStringLiteral("%1=%2:%3").arg(value.name).arg(value.type).arg(QString::fromLatin1(value.data.toHex(',')));
    }
    return lines;
}

const QByteArray Header = "Windows Registry Editor Version 5.00\n\n";

RegistryDocument randomDocument(QRandomGenerator &random)
{
    // Characters that are easy to get wrong: quotes, backslashes, brackets, '@', ';', '=',
    // blanks, letters in both cases and beyond ASCII.
    const QStringList alphabet = {"a", "B", "\"", "\\", "[", "]", "@", ";", "=", " ", "\t",
                                  "z", "Z", "\u00e9", "\u4e2d", "\U0001F600", ",", ":"};
    auto randomName = [&](int minimum, bool allowTab) {
        QString name;
        for (int i = minimum + int(random.bounded(6)); i > 0; --i)
            name += alphabet.at(int(random.bounded(int(alphabet.size()))));
        return allowTab ? name : name.remove('\t');
    };
    RegistryDocument document;
    for (int k = int(random.bounded(5)); k > 0; --k) {
        QString path = QStringLiteral("Software");
        for (int d = int(random.bounded(3)); d > 0; --d)
            path += '\\' + randomName(1, false).remove('\\') + 'k';
        document.addKey(path);
        for (int v = int(random.bounded(6)); v > 0; --v) {
            const quint32 types[] = {0, 1, 1, 1, 2, 3, 4, 4, 7, 11, 0x12345678};
            const quint32 type = types[random.bounded(int(std::size(types)))];
            QByteArray data;
            if (type == RegValueType::Text && random.bounded(2) == 0)
                data = randomName(0, true).toUtf8().append('\0');
            else if (type == RegValueType::Dword && random.bounded(3) != 0)
                data = QByteArray::number(random.generate(), 16).left(4).leftJustified(4, 'x');
            else
                for (int b = int(random.bounded(200)); b > 0; --b)
                    data.append(char(random.bounded(256)));
            document.setValue(path, randomName(0, false), type, data);
        }
    }
    return document;
}

} // namespace

class TestRegistryFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesWellFormedFiles_data();
    void parsesWellFormedFiles();
    void refusesMalformedFiles_data();
    void refusesMalformedFiles();
    void writesTheExportFormat();
    void writesTextThatCannotBeQuotedAsBytes_data();
    void writesTextThatCannotBeQuotedAsBytes();
    void roundTripsRandomDocuments();
    void keysExistThroughTheKeysBelowThem();
    void largestFileParsesQuickly();
};

void TestRegistryFile::parsesWellFormedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("edited by hand: BOM, CRLF, comments, blanks, spacing, no final line end")
        << QByteArray("\xEF\xBB\xBF; my settings\r\n\r\nWindows Registry Editor Version 5.00\r\n"
                      "  ; a comment\r\n[HKEY_CURRENT_USER\\A]  \r\n\t\"x\" = \"1\"\r\n"
                      "\"y\"=DWORD:0000000A")
        << QStringList{"[A]", "x=1:31,00", "y=4:0a,00,00,00"};
    QTest::newRow("escapes and UTF-8")
        << Header + "[HKEY_CURRENT_USER\\A]\n\"a\\\"b\\\\c\"=\"q\\\"\\\\ \xc3\xa9\"\n"
        << QStringList{"[A]", "a\"b\\c=1:71,22,5c,20,c3,a9,00"};
    QTest::newRow("default value, empty text, root key")
        << Header + "[HKEY_CURRENT_USER]\n@=\"r\"\n\"\"=\"\"\n"
        << QStringList{"[]", "=1:00"};
    QTest::newRow("every kind of value")
        << Header + "[HKEY_CURRENT_USER\\A]\n\"l\"=dword:fffffc40\n\"e\"=hex(2):25,00\n\"b\"=hex:01,ff\n"
                    "\"m\"=hex(7):61,00,00,00\n"
                    "\"q\"=hex(b):01,00,00,00,00,00,00,00\n\"n\"=hex(0):\n\"d\"=hex(4):02,00,00,00\n"
                    "\"s\"=hex(1):61,00,62,00\n"
        << QStringList{"[A]", "l=4:40,fc,ff,ff", "e=2:25,00", "b=3:01,ff", "m=7:61,00,00,00",
                       "q=11:01,00,00,00,00,00,00,00", "n=0:", "d=4:02,00,00,00", "s=1:61,00,62,00"};
    QTest::newRow("continued binary value")
        << Header + "[HKEY_CURRENT_USER\\A]\n\"b\"=hex:01,02,\\\n  03,04,\\\r\n\t05\n"
        << QStringList{"[A]", "b=3:01,02,03,04,05"};
    QTest::newRow("a repeated key and value: first spelling, last data")
        << Header + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=\"1\"\n[HKEY_CURRENT_USER\\B]\n"
                    "[hkey_current_user\\KEY]\n\"NAME\"=dword:00000002\n"
        << QStringList{"[Key]", "Name=4:02,00,00,00", "[B]"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("header only") << QByteArray("Windows Registry Editor Version 5.00") << QStringList{};
}

void TestRegistryFile::parsesWellFormedFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QString failure;
    const std::optional<RegistryDocument> document = RegistryText::parse(text, &failure);
    QVERIFY2(document, qPrintable(failure));
    QCOMPARE(describe(*document), expected);
    // What is written reads back as the same record.
    QCOMPARE(RegistryText::parse(RegistryText::write(*document)), document);
}

void TestRegistryFile::refusesMalformedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray key = Header + "[HKEY_CURRENT_USER\\A]\n";

    QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("old header") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n");
    QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n");
    QTest::newRow("value before any key") << Header + "\"x\"=\"1\"\n[HKEY_CURRENT_USER\\A]\n";
    QTest::newRow("truncated key line") << Header + "[HKEY_CURRENT_USER\\Softw";
    QTest::newRow("truncated text") << key + "\"LASTPATH\"=\"/home/an";
    QTest::newRow("truncated number") << key + "\"Top\"=dword:00000b";
    QTest::newRow("truncated byte") << key + "\"b\"=hex:01,0";
    QTest::newRow("trailing comma") << key + "\"b\"=hex:01,\n";
    QTest::newRow("continued at end of file") << key + "\"b\"=hex:01,\\\n";
    QTest::newRow("number too long") << key + "\"n\"=dword:000000001\n";
    QTest::newRow("number not hex") << key + "\"n\"=dword:0000000g\n";
    QTest::newRow("bad type number") << key + "\"n\"=hex(x):00\n";
    QTest::newRow("type without colon") << key + "\"n\"=hex(2)00\n";
    QTest::newRow("unknown kind") << key + "\"n\"=qword:00\n";
    QTest::newRow("deletion") << key + "\"n\"=-\n";
    QTest::newRow("key deletion") << Header + "[-HKEY_CURRENT_USER\\A]\n";
    QTest::newRow("other root") << Header + "[HKEY_LOCAL_MACHINE\\A]\n";
    QTest::newRow("empty key name") << Header + "[HKEY_CURRENT_USER\\A\\\\B]\n";
    QTest::newRow("trailing separator") << Header + "[HKEY_CURRENT_USER\\]\n";
    QTest::newRow("unknown escape") << key + "\"x\"=\"a\\nb\"\n";
    QTest::newRow("text after closing quote") << key + "\"x\"=\"a\" b\n";
    QTest::newRow("unquoted name") << key + "x=\"a\"\n";
    QTest::newRow("name without value") << key + "\"x\"\n";
    QTest::newRow("NUL in a line") << key + QByteArray("\"x\"=\"a\0b\"\n", 10);
    QTest::newRow("lone carriage return") << key + "\"x\"=\"a\rb\"\n";
    QTest::newRow("not UTF-8") << key + "\"x\"=\"caf\xe9\"\n";
}

void TestRegistryFile::refusesMalformedFiles()
{
    QFETCH(QByteArray, text);
    QString failure;
    QVERIFY(!RegistryText::parse(text, &failure));
    QVERIFY(!failure.isEmpty());
}

void TestRegistryFile::writesTheExportFormat()
{
    RegistryDocument document;
    const QString app = QStringLiteral("Software\\Tarrowby Consulting\\Pictarra");
    document.createKey(app);
    document.setValue(app, QStringLiteral("LASTPATH"), RegValueType::Text,
                      QByteArray("/home/ann/\"My\" \\Pictures", 25));
    document.setValue(app, QStringLiteral("Top"), RegValueType::Dword, QByteArray("\x40\x0b\0\0", 4));
    document.setValue(app, QStringLiteral("Left"), RegValueType::Dword, QByteArray("\x40\xfc\xff\xff", 4));
    document.setValue(app, QStringLiteral("ODD"), RegValueType::ExpandText, QByteArray("%\0", 2));
    document.setValue(app, QStringLiteral("BIN"), RegValueType::Binary, QByteArray("\x01\xab", 2));
    document.setValue(app, QString(), RegValueType::Text, QByteArray("", 1));

    QCOMPARE(RegistryText::write(document),
             QByteArray("Windows Registry Editor Version 5.00\n\n"
                        "[HKEY_CURRENT_USER\\Software]\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n"
                        "\"LASTPATH\"=\"/home/ann/\\\"My\\\" \\\\Pictures\"\n"
                        "\"Top\"=dword:00000b40\n"
                        "\"Left\"=dword:fffffc40\n"
                        "\"ODD\"=hex(2):25,00\n"
                        "\"BIN\"=hex:01,ab\n"
                        "@=\"\"\n\n"));
}

void TestRegistryFile::writesTextThatCannotBeQuotedAsBytes_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("NUL inside") << QByteArray("a\0b", 4) << QByteArray("\"v\"=hex(1):61,00,62,00");
    QTest::newRow("no final NUL") << QByteArray("ab") << QByteArray("\"v\"=hex(1):61,62");
    QTest::newRow("nothing at all") << QByteArray() << QByteArray("\"v\"=hex(1):");
    QTest::newRow("two final NULs") << QByteArray("a\0", 3) << QByteArray("\"v\"=hex(1):61,00,00");
    QTest::newRow("line break from a folder name")
        << QByteArray("/a\nb", 5) << QByteArray("\"v\"=hex(1):2f,61,0a,62,00");
    QTest::newRow("not UTF-8") << QByteArray("\xe9", 2) << QByteArray("\"v\"=hex(1):e9,00");
    QTest::newRow("tab is text") << QByteArray("a\tb", 4) << QByteArray("\"v\"=\"a\tb\"");
}

void TestRegistryFile::writesTextThatCannotBeQuotedAsBytes()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, line);
    RegistryDocument document;
    document.setValue(QStringLiteral("K"), QStringLiteral("v"), RegValueType::Text, data);
    const QByteArray text = RegistryText::write(document);
    QVERIFY2(text.contains('\n' + line + '\n'), text.constData());
    QCOMPARE(RegistryText::parse(text), document);
}

void TestRegistryFile::roundTripsRandomDocuments()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 500; ++round) {
        const RegistryDocument document = randomDocument(random);
        const QByteArray text = RegistryText::write(document);
        QString failure;
        const std::optional<RegistryDocument> parsed = RegistryText::parse(text, &failure);
        QVERIFY2(parsed, qPrintable(QStringLiteral("round %1: %2\n%3")
                                        .arg(round).arg(failure, QString::fromUtf8(text))));
        QVERIFY2(*parsed == document, qPrintable(describe(*parsed).join(u'\n') + QStringLiteral("\n---\n")
                                                 + describe(document).join(u'\n')));
        QCOMPARE(RegistryText::write(*parsed), text);
        for (const QByteArray &line : text.split('\n'))
            QVERIFY2(line.size() <= 100, line.constData());  // long binary values wrap
    }
}

void TestRegistryFile::keysExistThroughTheKeysBelowThem()
{
    std::optional<RegistryDocument> document =
        RegistryText::parse(Header + "[HKEY_CURRENT_USER\\Software\\Maker\\App]\n");
    QVERIFY(document);
    QVERIFY(document->keyExists(QString()));
    QVERIFY(document->keyExists(QStringLiteral("software")));
    QVERIFY(document->keyExists(QStringLiteral("Software\\MAKER")));
    QVERIFY(!document->keyExists(QStringLiteral("Software\\Make")));
    QVERIFY(!document->keyExists(QStringLiteral("Software\\Maker\\App\\Sub")));
    QVERIFY(!document->createKey(QStringLiteral("Software\\Maker")));
    QVERIFY(document->createKey(QStringLiteral("Software\\Maker\\Two\\Three")));
    QCOMPARE(describe(*document), (QStringList{"[Software\\Maker\\App]", "[Software\\Maker\\Two]",
                                               "[Software\\Maker\\Two\\Three]"}));
}

void TestRegistryFile::largestFileParsesQuickly()
{
    // About 4 MiB, the most the settings file may hold: many keys, and many values in one key.
    QByteArray text = Header;
    for (int i = 0; i < 60000; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\K" + QByteArray::number(i) + "]\n";
    text += "[HKEY_CURRENT_USER\\Software\\Values]\n";
    for (int i = 0; i < 90000; ++i)
        text += "\"v" + QByteArray::number(i) + "\"=dword:00000001\n";
    QVERIFY(text.size() > 3 * 1024 * 1024);

    QElapsedTimer timer;
    timer.start();
    const std::optional<RegistryDocument> document = RegistryText::parse(text);
    QVERIFY(document);
    QCOMPARE(document->keys().size(), 60001);
    QVERIFY(document->value(QStringLiteral("software\\values"), QStringLiteral("V89999")));
    QCOMPARE(RegistryText::parse(RegistryText::write(*document)), document);
    // Quadratic look-ups would take minutes here.
    QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestRegistryFile)
#include "tst_registryfile.moc"

#include "MemorySettingsFile.h"

#include "settings/RegistryCodes.h"
#include "settings/RegistryText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRecord.h"
#include "settings/SettingsStore.h"

#include <QtEndian>
#include <QtTest>

namespace {

constexpr RegRoot Root = RegRoot::CurrentUser;

// The application key's values as "NAME=text" or "NAME=#number", in stored order.
QStringList recordOf(const QByteArray &fileText)
{
    const std::optional<RegistryDocument> document = RegistryText::parse(fileText);
    if (!document)
        return {QStringLiteral("unparsable")};
    QStringList values;
    for (const RegistryDocument::Key &key : document->keys()) {
        if (key.path != AppKeyPath)
            continue;
        for (const RegistryDocument::Value &value : key.values) {
            if (value.type == RegValueType::Dword)
                values << value.name + QStringLiteral("=#")
                              + QString::number(qFromLittleEndian<qint32>(value.data.constData()));
            else if (value.type == RegValueType::Text)
                values << value.name + QLatin1Char('=') + QString::fromUtf8(value.data.chopped(1));
            else
                values << value.name + QStringLiteral("=?");
        }
    }
    return values;
}

// Which value each write changed, in the order of the writes, starting from `initial`.
QStringList writtenNames(const MemorySettingsFile &file, int firstWrite,
                         const QByteArray &initial = QByteArray())
{
    QStringList names;
    QStringList before = recordOf(firstWrite > 0 ? file.writes.at(firstWrite - 1) : initial);
    for (qsizetype i = firstWrite; i < file.writes.size(); ++i) {
        const QStringList after = recordOf(file.writes.at(i));
        for (const QString &value : after) {
            if (!before.contains(value))
                names << value.section(QLatin1Char('='), 0, 0);
        }
        before = after;
    }
    return names;
}

// Start-up's first-run step: create the keys, then write the first-run values.
void firstRun(SettingsStore &store, QSize screen)
{
    if (!store.fnRegKeyExists(Root, MakerKeyPath))
        store.fnRegCreateKey(Root, MakerKeyPath);
    if (!store.fnRegKeyExists(Root, AppKeyPath)) {
        store.fnRegCreateKey(Root, AppKeyPath);
        writeFirstRunValues(store, QStringLiteral("/home/ann/Pictures"), screen);
    }
}

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunWritesTheRecordInOrder();
    void firstRunGeometry_data();
    void firstRunGeometry();
    void savesTheRecordInOrder();
    void toInt16_data();
    void toInt16();
};

void TestSettingsRecord::firstRunWritesTheRecordInOrder()
{
    MemorySettingsFile file;
    SettingsStore store(file);
    firstRun(store, QSize(1024, 768));

    QCOMPARE(recordOf(file.current.bytes),
             (QStringList{"LASTPATH=/home/ann/Pictures", "Top=#2880", "Left=#3840", "Height=#5760",
                          "Width=#7680", "FOLDER=#0", "DISPLAY=#0", "PICTURE=#0", "ORDER=#0",
                          "SCROLL=#0", "DELAY=10", "PATTERN="}));
    // Two writes create the keys, then one write per value, in the record's order.
    QCOMPARE(file.writes.size(), 2 + 12);
    QCOMPARE(writtenNames(file, 2),
             (QStringList{"LASTPATH", "Top", "Left", "Height", "Width", "FOLDER", "DISPLAY",
                          "PICTURE", "ORDER", "SCROLL", "DELAY", "PATTERN"}));
    QVERIFY(file.current.bytes.startsWith(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software]\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n"
        "\"LASTPATH\"=\"/home/ann/Pictures\"\n"
        "\"Top\"=dword:00000b40\n"));
    QVERIFY(file.current.bytes.endsWith("\"DELAY\"=\"10\"\n\"PATTERN\"=\"\"\n\n"));
}

void TestSettingsRecord::firstRunGeometry_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QStringList>("geometry");
    QTest::newRow("1024 x 768") << QSize(1024, 768)
                                << QStringList{"Top=#2880", "Left=#3840", "Height=#5760", "Width=#7680"};
    // 1366 * 15 / 4 = 5122.5 and 1370 * 15 / 4 = 5137.5: halves go to the even neighbour.
    QTest::newRow("1366 x 768") << QSize(1366, 768)
                                << QStringList{"Top=#2880", "Left=#5122", "Height=#5760", "Width=#10245"};
    QTest::newRow("1370 x 767") << QSize(1370, 767)
                                << QStringList{"Top=#2876", "Left=#5138", "Height=#5752", "Width=#10275"};
    // Twips beyond 16 bits would stop the next start; they are held at 32767.
    QTest::newRow("5120 x 2880") << QSize(5120, 2880)
                                 << QStringList{"Top=#10800", "Left=#19200", "Height=#21600", "Width=#32767"};
    QTest::newRow("7680 x 4320") << QSize(7680, 4320)
                                 << QStringList{"Top=#16200", "Left=#28800", "Height=#32400", "Width=#32767"};
    QTest::newRow("9000 x 9000") << QSize(9000, 9000)
                                 << QStringList{"Top=#32767", "Left=#32767", "Height=#32767", "Width=#32767"};
}

void TestSettingsRecord::firstRunGeometry()
{
    QFETCH(QSize, screen);
    QFETCH(QStringList, geometry);
    MemorySettingsFile file;
    SettingsStore store(file);
    firstRun(store, screen);
    QCOMPARE(recordOf(file.current.bytes).mid(1, 4), geometry);

    // What was written converts back at the next start.
    for (const QString &name : {SettingsValue::Top, SettingsValue::Left, SettingsValue::Height,
                                SettingsValue::Width}) {
        QString failure;
        QVERIFY2(::toInt16(store.fnRegGetValue(Root, AppKeyPath, name, QString()), &failure),
                 qPrintable(name + u' ' + failure));
    }
}

void TestSettingsRecord::savesTheRecordInOrder()
{
    const QByteArray stored = "Windows Registry Editor Version 5.00\n\n"
                              "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n"
                              "\"PATTERN\"=\"*.jpg\"\n\"LASTPATH\"=\"/old\"\n\"Top\"=\"x\"\n";
    MemorySettingsFile file(stored);
    SettingsStore store(file);
    SettingsRecord record;
    record.lastPath = QStringLiteral("/home/ann/Holiday 2023");
    record.top = -120;
    record.left = 32767;
    record.height = -32768;
    record.width = 9000;
    record.folder = 1;
    record.display = 2;
    record.picture = 1;
    record.order = 0;
    record.scroll = 1;
    record.delay = QStringLiteral(" abc ");
    record.pattern = QStringLiteral("  *.png ");
    writeSettingsRecord(store, record);

    QCOMPARE(file.writes.size(), 12);
    QCOMPARE(writtenNames(file, 0, stored),
             (QStringList{"LASTPATH", "Top", "Left", "Height", "Width", "FOLDER", "DISPLAY",
                          "PICTURE", "ORDER", "SCROLL", "DELAY", "PATTERN"}));
    // Values written before keep their places; a number replaces text of the same name.
    QCOMPARE(recordOf(file.current.bytes),
             (QStringList{"PATTERN=*.png", "LASTPATH=/home/ann/Holiday 2023", "Top=#-120",
                          "Left=#32767", "Height=#-32768", "Width=#9000", "FOLDER=#1", "DISPLAY=#2",
                          "PICTURE=#1", "ORDER=#0", "SCROLL=#1", "DELAY=abc"}));

    // A greyed check box and a group without a selection write nothing.
    const qsizetype writes = file.writes.size();
    record.folder = 2;
    record.scroll = 2;
    record.display = -1;
    record.picture = -1;
    record.order = -1;
    writeSettingsRecord(store, record);
    QCOMPARE(file.writes.size() - writes, 7);
    QCOMPARE(recordOf(file.current.bytes), recordOf(file.writes.at(writes - 1)));
}

void TestSettingsRecord::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("failure");

    QTest::newRow("negative") << "-120" << -120 << "";
    QTest::newRow("largest") << "32767" << 32767 << "";
    QTest::newRow("smallest") << "-32768" << -32768 << "";
    QTest::newRow("one too large") << "40000" << 0 << "Overflow";
    QTest::newRow("one too small") << "-32769" << 0 << "Overflow";
    QTest::newRow("half down to even") << "2.5" << 2 << "";
    QTest::newRow("half up to even") << "3.5" << 4 << "";
    QTest::newRow("half rounds out of range") << "32767.5" << 0 << "Overflow";
    QTest::newRow("half rounds into range") << "-32768.5" << -32768 << "";
    QTest::newRow("blanks around") << " 12 " << 12 << "";
    QTest::newRow("exponent") << "1e3" << 1000 << "";
    QTest::newRow("tiny") << "1e-400" << 0 << "";
    QTest::newRow("huge") << "1e400" << 0 << "Overflow";
    QTest::newRow("letters") << "abc" << 0 << "Type mismatch";
    QTest::newRow("empty") << "" << 0 << "Type mismatch";
    QTest::newRow("number then letters") << "12px" << 0 << "Type mismatch";
    QTest::newRow("hex") << "0x10" << 0 << "Type mismatch";
    QTest::newRow("infinity") << "inf" << 0 << "Type mismatch";
    QTest::newRow("tab is not a blank") << "\t1" << 0 << "Type mismatch";
}

void TestSettingsRecord::toInt16()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(QString, failure);
    QString description;
    const std::optional<qint16> value = ::toInt16(text, &description);
    if (failure.isEmpty()) {
        QVERIFY2(value, qPrintable(description));
        QCOMPARE(int(*value), expected);
    } else {
        QVERIFY(!value);
        QCOMPARE(description, failure);
    }
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"

// The settings record: first-run values and the saved record, written value by value in their
// fixed order, and the 16-bit conversion the stored placement goes through at start-up.
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

const QStringList RecordOrder{"LASTPATH", "Top", "Left", "Height", "Width", "FOLDER", "DISPLAY",
                              "PICTURE", "ORDER", "SCROLL", "DELAY", "PATTERN"};

// The application key's values as "NAME=text" or "NAME=#number", in stored order.
QStringList recordOf(const QByteArray &fileText)
{
    const std::optional<RegistryDocument> document = RegistryText::parse(fileText);
    if (!document)
        return {QStringLiteral("unparsable")};
    QStringList values;
    for (const RegistryDocument::Key &key : document->keys()) {
        for (const RegistryDocument::Value &value : key.values) {
            if (key.path != AppKeyPath)
                continue;
            if (value.type == RegValueType::Dword)
                values << value.name + "=#" + QString::number(qFromLittleEndian<qint32>(value.data.constData()));
            else
                values << value.name + '=' + (value.type == RegValueType::Text ? QString::fromUtf8(value.data.chopped(1)) : "?");
        }
    }
    return values;
}

// Which value each write changed, in the order of the writes, starting from `initial`.
QStringList writtenNames(const MemorySettingsFile &file, int firstWrite, const QByteArray &initial = {})
{
    QStringList names;
    QStringList before = recordOf(firstWrite > 0 ? file.writes.at(firstWrite - 1) : initial);
    for (qsizetype i = firstWrite; i < file.writes.size(); ++i) {
        const QStringList after = recordOf(file.writes.at(i));
        for (const QString &value : after) {
            if (!before.contains(value))
                names << value.section('=', 0, 0);
        }
        before = after;
    }
    return names;
}

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRun_data();
    void firstRun();
    void savesTheRecordInOrder();
    void toInt16_data();
    void toInt16();
};

void TestSettingsRecord::firstRun_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QStringList>("geometry");
    QTest::newRow("1024 x 768") << QSize(1024, 768) << QStringList{"Top=#2880", "Left=#3840", "Height=#5760", "Width=#7680"};
    // 1366 * 15 / 4 = 5122.5 and 1370 * 15 / 4 = 5137.5: halves go to the even neighbour.
    QTest::newRow("1366 x 768") << QSize(1366, 768) << QStringList{"Top=#2880", "Left=#5122", "Height=#5760", "Width=#10245"};
    QTest::newRow("1370 x 767") << QSize(1370, 767) << QStringList{"Top=#2876", "Left=#5138", "Height=#5752", "Width=#10275"};
    // Twips beyond 16 bits would stop the next start; they are held at 32767.
    QTest::newRow("5120 x 2880") << QSize(5120, 2880) << QStringList{"Top=#10800", "Left=#19200", "Height=#21600", "Width=#32767"};
    QTest::newRow("9000 x 9000") << QSize(9000, 9000) << QStringList{"Top=#32767", "Left=#32767", "Height=#32767", "Width=#32767"};
}

// The first-run record: its values, one write per value in the record's order.
void TestSettingsRecord::firstRun()
{
    QFETCH(QSize, screen);
    QFETCH(QStringList, geometry);
    MemorySettingsFile file;
    SettingsStore store(file);
    store.fnRegCreateKey(Root, MakerKeyPath);
    store.fnRegCreateKey(Root, AppKeyPath);
    writeFirstRunValues(store, QStringLiteral("/home/ann/Pictures"), screen);
    const QStringList rest{"FOLDER=#0", "DISPLAY=#0", "PICTURE=#0", "ORDER=#0", "SCROLL=#0", "DELAY=10", "PATTERN="};
    QCOMPARE(recordOf(file.current.bytes), QStringList("LASTPATH=/home/ann/Pictures") + geometry + rest);
    QCOMPARE(file.writes.size(), 2 + 12);  // the two keys, then the values
    QCOMPARE(writtenNames(file, 2), RecordOrder);
}

void TestSettingsRecord::savesTheRecordInOrder()
{
    const QByteArray stored = "Windows Registry Editor Version 5.00\n\n"
                              "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n"
                              "\"PATTERN\"=\"*.jpg\"\n\"LASTPATH\"=\"/old\"\n\"Top\"=\"x\"\n";
    MemorySettingsFile file(stored);
    SettingsStore store(file);
    SettingsRecord record{.lastPath = "/home/ann/Holiday 2023", .top = -120, .left = 32767, .height = -32768,
                          .width = 9000, .folder = 1, .display = 2, .picture = 1, .order = 0, .scroll = 1,
                          .delay = " abc ", .pattern = "  *.png "};
    writeSettingsRecord(store, record);
    QCOMPARE(file.writes.size(), 12);
    QCOMPARE(writtenNames(file, 0, stored), RecordOrder);
    // Values written before keep their places; a number replaces text of the same name.
    QCOMPARE(recordOf(file.current.bytes),
             (QStringList{"PATTERN=*.png", "LASTPATH=/home/ann/Holiday 2023", "Top=#-120",
                          "Left=#32767", "Height=#-32768", "Width=#9000", "FOLDER=#1", "DISPLAY=#2",
                          "PICTURE=#1", "ORDER=#0", "SCROLL=#1", "DELAY=abc"}));

    // A greyed check box and a group without a selection write nothing.
    const qsizetype writes = file.writes.size();
    record.folder = record.scroll = 2;
    record.display = record.picture = record.order = -1;
    writeSettingsRecord(store, record);
    QCOMPARE(file.writes.size() - writes, 7);
    QCOMPARE(recordOf(file.current.bytes), recordOf(file.writes.at(writes - 1)));
}

void TestSettingsRecord::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("failure");
    QTest::newRow("largest") << "32767" << 32767 << "";
    QTest::newRow("smallest") << "-32768" << -32768 << "";
    QTest::newRow("one too large") << "40000" << 0 << "Overflow";
    QTest::newRow("one too small") << "-32769" << 0 << "Overflow";
    QTest::newRow("half to even") << "2.5" << 2 << "";
    QTest::newRow("half rounds out of range") << "32767.5" << 0 << "Overflow";
    QTest::newRow("half rounds into range") << "-32768.5" << -32768 << "";
    QTest::newRow("tiny") << "1e-400" << 0 << "";
    QTest::newRow("huge") << "1e400" << 0 << "Overflow";
    QTest::newRow("empty") << "" << 0 << "Type mismatch";
    QTest::newRow("number then letters") << "12px" << 0 << "Type mismatch";
    QTest::newRow("infinity") << "inf" << 0 << "Type mismatch";
}

void TestSettingsRecord::toInt16()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(QString, failure);
    QString description;
    const std::optional<qint16> value = ::toInt16(text, &description);
    QCOMPARE(description, failure);
    QCOMPARE(value ? int(*value) : 0, expected);
    QCOMPARE(bool(value), failure.isEmpty());
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"

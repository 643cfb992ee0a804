// The settings store: registry-style reads and writes on the settings file, each write
// re-reading the file first, and a damaged file kept aside before it is ever written over.
#include "MemorySettingsFile.h"

#include "settings/RegistryAdapter.h"
#include "settings/RegistryCodes.h"
#include "settings/RegistryText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QtTest>

namespace {

constexpr RegRoot Root = RegRoot::CurrentUser;

const QByteArray AppKeyLine =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n";

// The stored value of the application key as "type:hex", or "" when there is none.
QString storedValue(const MemorySettingsFile &file, const QString &name)
{
    const RegistryDocument document = RegistryText::parse(file.current.bytes).value_or(RegistryDocument());
    const RegistryDocument::Value *value = document.value(AppKeyPath, name);
    return value ? QStringLiteral("%1:%2").arg(value->type).arg(QString::fromLatin1(value->data.toHex(','))) : QString();
}

QString read(SettingsStore &store, const QString &name, const QString &defaultValue = {})
{
    return store.fnRegGetValue(Root, AppKeyPath, name, defaultValue);
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsStoredValues_data();
    void readsStoredValues();
    void storesNumbersAndText_data();
    void storesNumbersAndText();
    void keysExistAndAreCreated();
    void namesKeepTheirFirstSpelling();
    void queriesFollowTheRegistrysRules();
    void writesReReadTheFile();
    void failedWriteLeavesTheStoreAsItWas();
    void damagedFileIsKeptAsideBeforeTheFirstWrite_data();
    void damagedFileIsKeptAsideBeforeTheFirstWrite();
    void damagedAgainAfterKeepingAsideWritesNothing();
    void damagedFileThatCannotBeMovedIsNeverOverwritten();
};

void TestSettingsStore::readsStoredValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number reads as its decimal text") << QByteArray("\"DISPLAY\"=dword:ffffffc4") << "" << "-60";
    QTest::newRow("expandable text: default") << QByteArray("\"DISPLAY\"=hex(2):32,00") << "none" << "none";
    QTest::newRow("binary: default") << QByteArray("\"DISPLAY\"=hex:02,00,00,00") << "" << "";
    QTest::newRow("text ends at its first NUL") << QByteArray("\"DISPLAY\"=hex(1):32,00,33,00") << "" << "2";
    QTest::newRow("text without a NUL is whole") << QByteArray("\"DISPLAY\"=hex(1):32,33") << "" << "23";
    QTest::newRow("empty text is not the default") << QByteArray("\"DISPLAY\"=\"\"") << "x" << "";
    QTest::newRow("UTF-8 text") << QByteArray("\"DISPLAY\"=\"/home/ann/Bild\xc3\xa9r\"") << ""
                                << QStringLiteral("/home/ann/Bild\u00e9r");
    QTest::newRow("missing value") << QByteArray("\"OTHER\"=\"2\"") << "dflt" << "dflt";
    QTest::newRow("name in another case") << QByteArray("\"display\"=\"1\"") << "" << "1";
}

void TestSettingsStore::readsStoredValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    MemorySettingsFile file(AppKeyLine + line + '\n');
    SettingsStore store(file);
    QCOMPARE(read(store, QStringLiteral("DISPLAY"), defaultValue), expected);
    QCOMPARE(file.updateCount, 0);
}

void TestSettingsStore::storesNumbersAndText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored");  // type:hex bytes; "" when nothing may be written
    QTest::addColumn<QString>("readBack");
    QTest::newRow("negative int") << QVariant(-60) << "4:c4,ff,ff,ff" << "-60";
    QTest::newRow("half rounds to even") << QVariant(2.5) << "4:02,00,00,00" << "2";
    QTest::newRow("float") << QVariant(2880.0f) << "4:40,0b,00,00" << "2880";
    QTest::newRow("largest") << QVariant(qint64(2147483647)) << "4:ff,ff,ff,7f" << "2147483647";
    QTest::newRow("smallest after rounding") << QVariant(-2147483648.4) << "4:00,00,00,80" << "-2147483648";
    QTest::newRow("numeric text with blanks") << QVariant(" 7 ") << "4:07,00,00,00" << "7";
    QTest::newRow("exponent text") << QVariant("1e3") << "4:e8,03,00,00" << "1000";
    QTest::newRow("text trimmed of blanks") << QVariant("  a b  ") << "1:61,20,62,00" << "a b";
    QTest::newRow("tab is not a blank") << QVariant("\t1") << "1:09,31,00" << "\t1";
    QTest::newRow("empty text") << QVariant(QString()) << "1:00" << "";
    QTest::newRow("hex is text") << QVariant("0x10") << "1:30,78,31,30,00" << "0x10";
    QTest::newRow("comma is not a decimal point") << QVariant("1,5") << "1:31,2c,35,00" << "1,5";
    QTest::newRow("NUL inside text") << QVariant(QString::fromUtf8("a\0b", 3)) << "1:61,00,62,00" << "a";
    QTest::newRow("beyond ASCII") << QVariant(QStringLiteral("\u00e9\U0001F600")) << "1:c3,a9,f0,9f,98,80,00"
                                  << QStringLiteral("\u00e9\U0001F600");
    // A number that does not fit 32 bits is a failed write: nothing changes, no key appears.
    QTest::newRow("2^31") << QVariant(qint64(2147483648)) << "" << "dflt";
    QTest::newRow("rounds up out of range") << QVariant(2147483647.5) << "" << "dflt";
    QTest::newRow("large text") << QVariant("1e10") << "" << "dflt";
    QTest::newRow("beyond double") << QVariant("1e400") << "" << "dflt";
    QTest::newRow("not a number") << QVariant(qQNaN()) << "" << "dflt";
}

void TestSettingsStore::storesNumbersAndText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    QFETCH(QString, readBack);
    MemorySettingsFile file;
    SettingsStore store(file);
    store.fnRegSetValue(Root, AppKeyPath, QStringLiteral("V"), value);
    QCOMPARE(storedValue(file, QStringLiteral("V")), stored);
    if (stored.isEmpty()) {
        QCOMPARE(file.updateCount, 0);
        QCOMPARE(store.lastRegistryResult(), RegResult::InvalidParameter);
    }
    SettingsStore nextRun(file);
    QCOMPARE(read(nextRun, QStringLiteral("V"), QStringLiteral("dflt")), readBack);
    // Text that reads as a number stays text when written as a string.
    if (value.typeId() == QMetaType::QString) {
        store.fnRegSetString(Root, AppKeyPath, QStringLiteral("S"), value.toString());
        QVERIFY(storedValue(file, QStringLiteral("S")).startsWith(QLatin1String("1:")));
    }
}

void TestSettingsStore::keysExistAndAreCreated()
{
    MemorySettingsFile file;
    SettingsStore store(file);
    QVERIFY(!store.fnRegKeyExists(Root, MakerKeyPath));
    QVERIFY(!file.current.exists);  // looking creates nothing

    store.fnRegCreateKey(Root, AppKeyPath);
    QVERIFY(store.fnRegKeyExists(Root, MakerKeyPath));
    QVERIFY(store.fnRegKeyExists(Root, QStringLiteral("SOFTWARE\\tarrowby consulting\\PICTARRA")));
    QVERIFY(!store.fnRegKeyExists(Root, QStringLiteral("Software\\Tarrowby")));
    QCOMPARE(file.current.bytes, QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\n"
                                            "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\n\n" + AppKeyLine.mid(38) + '\n'));
    const int updates = file.updateCount;
    store.fnRegCreateKey(Root, MakerKeyPath);  // exists: writes nothing
    QCOMPARE(file.updateCount, updates);

    // An empty key exists on its own.
    MemorySettingsFile handWritten("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\n");
    SettingsStore other(handWritten);
    QVERIFY(other.fnRegKeyExists(Root, MakerKeyPath));
    QVERIFY(!other.fnRegKeyExists(Root, AppKeyPath));
}

void TestSettingsStore::namesKeepTheirFirstSpelling()
{
    const QByteArray key = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\software\\tarrowby consulting\\pictarra]\n";
    MemorySettingsFile file(key + "\"LastPath\"=\"/old\"\n");
    SettingsStore store(file);
    store.fnRegSetString(Root, AppKeyPath, QStringLiteral("LASTPATH"), QStringLiteral("/new"));
    store.fnRegSetValue(Root, AppKeyPath, QStringLiteral("Top"), 1);
    QCOMPARE(file.current.bytes, key + "\"LastPath\"=\"/new\"\n\"Top\"=dword:00000001\n\n");
    QCOMPARE(read(store, QStringLiteral("lastpath")), QStringLiteral("/new"));
}

void TestSettingsStore::queriesFollowTheRegistrysRules()
{
    MemorySettingsFile file(AppKeyLine + "\"T\"=\"abc\"\n\"N\"=dword:00000001\n");
    RegistryAdapter registry(file);
    RegHandle handle = 77;
    QCOMPARE(registry.RegOpenKeyA(Root, QStringLiteral("Software\\Nothing"), &handle), RegResult::FileNotFound);
    QCOMPARE(handle, 0u);
    QCOMPARE(registry.RegOpenKeyA(Root, QStringLiteral("\\Software"), &handle), RegResult::BadPathname);
    QCOMPARE(registry.RegOpenKeyA(Root, AppKeyPath, &handle), RegResult::Success);
    QVERIFY(handle != 0);

    // Type and size without a buffer; the size counts the text's NUL; a short buffer is untouched.
    quint32 type = 0;
    quint32 size = 0;
    QCOMPARE(registry.RegQueryValueExA(handle, QStringLiteral("T"), &type, nullptr, &size), RegResult::Success);
    QCOMPARE(type, RegValueType::Text);
    QCOMPARE(size, 4u);
    char buffer[8] = "xxxxxxx";
    size = 3;
    QCOMPARE(registry.RegQueryValueExA(handle, QStringLiteral("T"), &type, buffer, &size), RegResult::MoreData);
    QCOMPARE(size, 4u);
    QCOMPARE(buffer[0], 'x');
    size = sizeof buffer;
    QCOMPARE(registry.RegQueryValueExA(handle, QStringLiteral("T"), &type, buffer, &size), RegResult::Success);
    QCOMPARE(size, 4u);
    QCOMPARE(QByteArray(buffer, 4), QByteArray("abc", 4));

    // A missing value leaves type and size alone.
    type = size = 9;
    QCOMPARE(registry.RegQueryValueExA(handle, QStringLiteral("X"), &type, nullptr, &size), RegResult::FileNotFound);
    QCOMPARE(type, 9u);
    QCOMPARE(size, 9u);

    QCOMPARE(registry.RegCloseKey(handle), RegResult::Success);
    QCOMPARE(registry.RegCloseKey(handle), RegResult::InvalidHandle);
    QCOMPARE(registry.RegCloseKey(0), RegResult::InvalidHandle);
    QCOMPARE(registry.RegQueryValueExA(handle, QStringLiteral("T"), &type, nullptr, &size), RegResult::InvalidHandle);
    QCOMPARE(registry.RegSetValueExA(0, QStringLiteral("T"), RegValueType::Text, "a", 2), RegResult::InvalidHandle);
    QCOMPARE(file.updateCount, 0);
}

// Another copy of the program writes between two of ours: both its value and ours stay.
void TestSettingsStore::writesReReadTheFile()
{
    MemorySettingsFile file(AppKeyLine);
    SettingsStore store(file);
    QCOMPARE(read(store, QStringLiteral("OTHER")), QString());
    file.beforeReread = [&file] {
        file.setContents(AppKeyLine + "\"OTHER\"=\"theirs\"\n");
        file.beforeReread = nullptr;
    };
    const int updates = file.updateCount;
    store.fnRegSetString(Root, AppKeyPath, QStringLiteral("MINE"), QStringLiteral("ours"));
    QCOMPARE(file.updateCount, updates + 1);  // the key existed: one write for the value
    QCOMPARE(storedValue(file, QStringLiteral("OTHER")), QStringLiteral("1:74,68,65,69,72,73,00"));
    QCOMPARE(storedValue(file, QStringLiteral("MINE")), QStringLiteral("1:6f,75,72,73,00"));
    QCOMPARE(read(store, QStringLiteral("OTHER")), QStringLiteral("theirs"));
}

void TestSettingsStore::failedWriteLeavesTheStoreAsItWas()
{
    const QByteArray before = AppKeyLine + "\"DELAY\"=\"10\"\n";
    MemorySettingsFile file(before);
    SettingsStore store(file);
    file.failUpdates = true;
    store.fnRegSetString(Root, AppKeyPath, QStringLiteral("DELAY"), QStringLiteral("5"));
    store.fnRegSetValue(Root, QStringLiteral("Software\\New"), QStringLiteral("N"), 1);
    store.fnRegCreateKey(Root, QStringLiteral("Software\\Other"));
    QCOMPARE(file.current.bytes, before);
    QCOMPARE(read(store, QStringLiteral("DELAY")), QStringLiteral("10"));
    QVERIFY(!store.fnRegKeyExists(Root, QStringLiteral("Software\\New")));
    QCOMPARE(file.keepAsideCount, 0);
}

void TestSettingsStore::damagedFileIsKeptAsideBeforeTheFirstWrite_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("readable");
    QTest::newRow("truncated") << QByteArray(AppKeyLine + "\"DISPLAY\"=\"2\"\n\"LASTPATH\"=\"/ho") << true;
    QTest::newRow("unreadable") << QByteArray() << false;
}

void TestSettingsStore::damagedFileIsKeptAsideBeforeTheFirstWrite()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, readable);
    MemorySettingsFile file(contents);
    if (!readable)
        file.setUnreadable();
    SettingsStore store(file);

    // Reads see an empty store and fail quietly; nothing is touched yet.
    QVERIFY(!store.fnRegKeyExists(Root, MakerKeyPath));
    QCOMPARE(read(store, QStringLiteral("DISPLAY")), QString());
    QCOMPARE(file.keepAsideCount, 0);
    QCOMPARE(file.writes.size(), 0);

    store.fnRegCreateKey(Root, AppKeyPath);
    store.fnRegSetString(Root, AppKeyPath, QStringLiteral("DELAY"), QStringLiteral("10"));
    QCOMPARE(file.keepAsideCount, 1);
    QVERIFY(file.keptAside);
    QCOMPARE(file.keptAside->readable, readable);
    QCOMPARE(file.keptAside->bytes, contents);
    // The new file holds only what this run wrote, and reads back.
    QCOMPARE(storedValue(file, QStringLiteral("DELAY")), QStringLiteral("1:31,30,00"));
    QCOMPARE(read(store, QStringLiteral("DELAY")), QStringLiteral("10"));
    QCOMPARE(read(store, QStringLiteral("DISPLAY")), QString());
}

// Something puts another damaged file in place right after the first was kept aside.
void TestSettingsStore::damagedAgainAfterKeepingAsideWritesNothing()
{
    MemorySettingsFile file(QByteArray("junk one"));
    SettingsStore store(file);
    int rereads = 0;
    file.beforeReread = [&] {
        if (++rereads == 2)
            file.setContents("junk two");
    };
    store.fnRegSetString(Root, AppKeyPath, QStringLiteral("DELAY"), QStringLiteral("10"));
    QCOMPARE(file.keepAsideCount, 1);
    QCOMPARE(file.keptAside->bytes, QByteArray("junk one"));
    QCOMPARE(file.current.bytes, QByteArray("junk two"));
    QCOMPARE(file.writes.size(), 0);
}

void TestSettingsStore::damagedFileThatCannotBeMovedIsNeverOverwritten()
{
    const QByteArray junk("\x7f" "ELF\x02\x01", 6);
    MemorySettingsFile file(junk);
    file.failKeepAside = true;
    SettingsStore store(file);
    store.fnRegCreateKey(Root, AppKeyPath);
    store.fnRegSetValue(Root, AppKeyPath, QStringLiteral("Top"), 5);
    QVERIFY(file.keepAsideCount > 0);
    QCOMPARE(file.writes.size(), 0);
    QCOMPARE(file.current.bytes, junk);
    QCOMPARE(read(store, QStringLiteral("Top")), QString());
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"

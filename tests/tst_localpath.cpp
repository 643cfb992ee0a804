// Paths keep the exact bytes of the names on disk, whatever they are: decoding and encoding
// again gives the same bytes, and what reaches the desktop (a file: URL handed to xdg-open)
// names exactly that file, as one argument, with nothing in it ever run.
//
// This test program doubles as the desktop's opener: started as "xdg-open", it writes the
// arguments it got to the file named by PICTARRA_TEST_OPENED and exits.
#include "HostileNames.h"
#include "platform/LocalPath.h"
#include "platform/QtShellHandoff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <cstring>

namespace {

const char OpenedVariable[] = "PICTARRA_TEST_OPENED";

// The arguments an opener got, as written by the stand-in: each followed by a NUL.
QList<QByteArray> argumentsIn(const QByteArray &record)
{
    QList<QByteArray> arguments = record.split('\0');
    arguments.removeLast();
    return arguments;
}

bool createRaw(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_EXCL, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

class TestLocalPath : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void displayTextIsOneReadableLine();
    void urlCarriesTheBytes_data();
    void urlCarriesTheBytes();
    void desktopGetsExactlyThePath_data();
    void desktopGetsExactlyThePath();

private:
    std::unique_ptr<QTemporaryDir> m_opener;
};

void TestLocalPath::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("decoded");  // null: not checked beyond the round trip

    const QString escapedE9 = QString(QChar(char16_t(0xDCE9)));
    QTest::newRow("ascii") << QByteArray("/pics/a b.jpg") << QStringLiteral("/pics/a b.jpg");
    QTest::newRow("utf-8") << QByteArray("/pics/f\xc3\xbcr \xe2\x82\xac \xf0\x9f\x98\x80.jpg")
                           << QStringLiteral("/pics/f\u00fcr \u20ac \U0001F600.jpg");
    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9.jpg") << (QStringLiteral("caf") + escapedE9 + QStringLiteral(".jpg"));
    QTest::newRow("stray continuation") << QByteArray("\x80x") << (QString(QChar(char16_t(0xDC80))) + u'x');
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString();
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80.jpg") << QString();
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QString();
    QTest::newRow("cut short at the end") << QByteArray("a\xe2\x82") << QString();
    QTest::newRow("cut short before ascii") << QByteArray("\xe2\x82z") << QString();
    QTest::newRow("real replacement character") << QByteArray("\xef\xbf\xbd") << QStringLiteral("\ufffd");
    QTest::newRow("byte 0xff") << QByteArray("\xff\xfe") << QString();
}

void TestLocalPath::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, decoded);
    const QString text = LocalPath::decode(bytes);
    if (!decoded.isNull())
        QCOMPARE(text, decoded);
    QCOMPARE(LocalPath::encode(text), bytes);
    // Valid UTF-8 decodes as Qt decodes it, so every ordinary name is unchanged.
    if (QString::fromUtf8(bytes).toUtf8() == bytes)
        QCOMPARE(text, QString::fromUtf8(bytes));
}

void TestLocalPath::displayTextIsOneReadableLine()
{
    const QString path = LocalPath::decode("/p/caf\xe9\nnew\tline <b>x</b>.jpg");
    QCOMPARE(LocalPath::displayText(path), QStringLiteral("/p/caf\ufffd\ufffdnew\ufffdline <b>x</b>.jpg"));
    QCOMPARE(LocalPath::displayText(QStringLiteral("/p/\u00fc.jpg")), QStringLiteral("/p/\u00fc.jpg"));
    // A lone surrogate no decoding made is encoded as Qt encodes it; a pair stays one character.
    const QString typed = QString(QChar(char16_t(0xD800))) + QStringLiteral("a\U0001F600");
    QCOMPARE(LocalPath::encode(typed), typed.toUtf8());
}

void TestLocalPath::urlCarriesTheBytes_data()
{
    addHostileNameRows(".jpg");
}

void TestLocalPath::urlCarriesTheBytes()
{
    QFETCH(QByteArray, name);
    const QByteArray path = "/tmp/pics dir/" + name;
    const QUrl url = LocalPath::fileUrl(LocalPath::decode(path));
    QVERIFY(url.isValid());
    QVERIFY(url.isLocalFile());
    QVERIFY(url.host().isEmpty());
    QCOMPARE(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), path);
    // The encoded form is one word: nothing a command-line split or a shell would act on.
    const QByteArray encoded = url.toEncoded();
    for (const char c : QByteArrayView(" \t\n\"'`$;\\<>"))
        QVERIFY2(!encoded.contains(c), encoded.constData());
    QCOMPARE(LocalPath::encode(LocalPath::fromFileUrl(url)), path);
    // A URL as a file manager writes it in a drop comes back the same way.
    QCOMPARE(LocalPath::encode(LocalPath::fromFileUrl(QUrl::fromEncoded(encoded))), path);
}

void TestLocalPath::desktopGetsExactlyThePath_data()
{
    urlCarriesTheBytes_data();
}

void TestLocalPath::desktopGetsExactlyThePath()
{
    QFETCH(QByteArray, name);
    if (QGuiApplication::platformName() == u"offscreen")
        QSKIP("needs a desktop platform; tst_localpath_desktop runs this on an X server");
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QByteArray folder = QFile::encodeName(temp.path()) + "/pics; $(touch pwned2)";
    QVERIFY(QDir().mkdir(LocalPath::decode(folder)));
    const QByteArray path = folder + '/' + name;
    // "<b>x</b>.jpg" is the file "b>.jpg" in the folder "<b>x<".
    if (name.contains('/'))
        QVERIFY(::mkdir(path.left(path.lastIndexOf('/')).constData(), 0700) == 0);
    QVERIFY(createRaw(path));
    const auto removeRaw = qScopeGuard([&path] {
        ::unlink(path.constData());
        ::rmdir(path.left(path.lastIndexOf('/')).constData());
    });

    // The desktop's opener is this program, found first on PATH as "xdg-open". Qt looks for
    // it once and keeps the path, so it stays in one place for every row.
    if (!m_opener) {
        m_opener = std::make_unique<QTemporaryDir>();
        QVERIFY(m_opener->isValid());
        QVERIFY(QFile::link(QCoreApplication::applicationFilePath(), m_opener->filePath(QStringLiteral("xdg-open"))));
        qputenv("PATH", QFile::encodeName(m_opener->path()) + ':' + qgetenv("PATH"));
    }
    const QString record = temp.filePath(QStringLiteral("opened"));
    qputenv(OpenedVariable, QFile::encodeName(record));
    const QString workingFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp.path()));
    const auto back = qScopeGuard([&workingFolder] { QDir::setCurrent(workingFolder); });

    QtShellHandoff desktop;
    const struct { bool folder; QByteArray expected; } handoffs[] = {{false, path}, {true, folder}};
    for (const auto &handoff : handoffs) {
        QFile::remove(record);
        const QString target = LocalPath::decode(handoff.expected);
        QVERIFY(handoff.folder ? desktop.openFolder(target) : desktop.openFile(target));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 0, 20000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> arguments = argumentsIn(file.readAll());
        QCOMPARE(arguments.size(), 1);
        const QUrl url = QUrl::fromEncoded(arguments.first(), QUrl::StrictMode);
        QVERIFY2(url.isLocalFile(), arguments.first().constData());
        QCOMPARE(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()),
                 handoff.expected);
    }
    // Nothing in the names was ever run.
    QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("pwned2"))));
}

int main(int argc, char *argv[])
{
    const char *slash = std::strrchr(argv[0], '/');
    if (std::strcmp(slash ? slash + 1 : argv[0], "xdg-open") == 0) {
        // The stand-in opener: record the arguments, NUL after each, and write them in one go
        // under a temporary name so that the test never reads half a record.
        const char *target = std::getenv(OpenedVariable);
        if (!target)
            return 1;
        QByteArray record;
        for (int i = 1; i < argc; ++i)
            record.append(argv[i]).append('\0');
        const QByteArray partial = QByteArray(target) + ".part";
        std::FILE *out = std::fopen(partial.constData(), "wb");
        if (!out || std::fwrite(record.constData(), 1, size_t(record.size()), out) != size_t(record.size()))
            return 1;
        std::fclose(out);
        return std::rename(partial.constData(), target) == 0 ? 0 : 1;
    }
    QGuiApplication application(argc, argv);
    TestLocalPath test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_localpath.moc"

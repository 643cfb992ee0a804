// The files that make Pictarra part of the desktop agree with the program and with each other:
// every type the desktop entry offers to open has a reader in the Qt the program runs on
// (folders aside, which it lists itself); the software centres' metadata provides exactly the
// desktop entry's types, carries the program's id and names its desktop entry by it, and
// releases the version the program reports.
#include "app/CommandLine.h"

#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QString DataFolder = QStringLiteral(PICTARRA_SOURCE_DIR "/data/");
const QString AppId = QStringLiteral(PICTARRA_APP_ID);
const QString FolderType = QStringLiteral("inode/directory");

// The MimeType list of the desktop entry's main group.
QStringList desktopEntryTypes()
{
    QFile file(DataFolder + AppId + QStringLiteral(".desktop"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool mainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            mainGroup = line == QLatin1String("[Desktop Entry]");
        else if (mainGroup && line.startsWith(QLatin1String("MimeType=")))
            return line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    return {};
}

QString metainfoText()
{
    QFile file(DataFolder + AppId + QStringLiteral(".metainfo.xml"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The first group of every match of `pattern` (the validators check the document's form).
QStringList matches(const QString &text, const QString &pattern)
{
    QStringList found;
    for (const QRegularExpressionMatch &match : QRegularExpression(pattern).globalMatch(text))
        found << match.captured(1);
    return found;
}

} // namespace

class tst_DesktopFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyOfferedTypeHasAReader()
    {
        const QStringList offered = desktopEntryTypes();
        QVERIFY(offered.contains(QStringLiteral("image/jpeg")));
        // Names compared as the MIME database knows them, so that an alias (image/x-icon)
        // counts as its type (image/vnd.microsoft.icon).
        QMimeDatabase database;
        QSet<QString> readable;
        for (const QByteArray &type : QImageReader::supportedMimeTypes())
            readable << database.mimeTypeForName(QString::fromLatin1(type)).name();
        QStringList unread;
        for (const QString &type : offered) {
            if (type != FolderType && !readable.contains(database.mimeTypeForName(type).name()))
                unread << type;
        }
        QVERIFY2(unread.isEmpty(), qPrintable(QStringLiteral("no installed Qt image reader for: ") + unread.join(QLatin1String(", "))));
    }

    void metainfoAgreesWithDesktopEntryAndProgram()
    {
        const QString metainfo = metainfoText();
        QCOMPARE(matches(metainfo, "<id>([^<]*)</id>"), QStringList{AppId});
        QCOMPARE(matches(metainfo, "<launchable type=\"desktop-id\">([^<]*)</launchable>"),
                 QStringList{AppId + QStringLiteral(".desktop")});

        QStringList provided = matches(metainfo, "<mediatype>([^<]*)</mediatype>"), offered = desktopEntryTypes();
        provided.sort();
        offered.sort();
        QCOMPARE(provided, offered);

        // The newest release comes first, and it is the version the program reports.
        const QStringList releases = matches(metainfo, "<release version=\"([^\"]*)\"");
        QVERIFY(!releases.isEmpty());
        QCOMPARE(QStringLiteral("Pictarra %1\n").arg(releases.first()), CommandLine::versionText());
    }
};

QTEST_GUILESS_MAIN(tst_DesktopFiles)
#include "tst_desktopfiles.moc"

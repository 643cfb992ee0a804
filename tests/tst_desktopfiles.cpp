// The files that make Pictarra part of the desktop agree with the program and with each other:
// every type the desktop entry offers to open has a reader in the Qt the program runs on
// (folders aside, which it lists itself); the software centres' metadata provides exactly the
// desktop entry's types, carries the program's id and names its desktop entry by it, and
// releases the version the program reports.
#include "app/CommandLine.h"

#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QSet>
#include <QXmlStreamReader>
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

struct Metainfo
{
    QString id;
    QStringList launchables;
    QStringList providedTypes;
    QStringList releases;
    bool wellFormed = false;
};

Metainfo readMetainfo()
{
    Metainfo info;
    QFile file(DataFolder + AppId + QStringLiteral(".metainfo.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return info;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("component"))
        return info;
    // Each of the component's own elements, and the children of the lists among them.
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("id")) {
            info.id = xml.readElementText();
        } else if (name == QLatin1String("launchable") && xml.attributes().value("type") == QLatin1String("desktop-id")) {
            info.launchables << xml.readElementText();
        } else if (name == QLatin1String("provides") || name == QLatin1String("releases")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("mediatype"))
                    info.providedTypes << xml.readElementText();  // ends on its end tag
                else if (xml.name() == QLatin1String("release"))
                    info.releases << xml.attributes().value("version").toString();
                if (!xml.isEndElement())
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    info.wellFormed = !xml.hasError();
    return info;
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
        const Metainfo info = readMetainfo();
        QVERIFY(info.wellFormed);
        QCOMPARE(info.id, AppId);
        QCOMPARE(info.launchables, QStringList{AppId + QStringLiteral(".desktop")});

        QStringList provided = info.providedTypes, offered = desktopEntryTypes();
        provided.sort();
        offered.sort();
        QCOMPARE(provided, offered);

        // The newest release comes first, and it is the version the program reports.
        QVERIFY(!info.releases.isEmpty());
        QCOMPARE(QStringLiteral("Pictarra %1\n").arg(info.releases.first()), CommandLine::versionText());
    }
};

QTEST_GUILESS_MAIN(tst_DesktopFiles)
#include "tst_desktopfiles.moc"

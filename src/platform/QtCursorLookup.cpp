#include "platform/QtCursorLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QString inheritedTheme(const QString &themeDir)
{
    const QString indexFile = themeDir + QStringLiteral("/index.theme");
    if (!QFileInfo(indexFile).isFile())
        return {};
    QSettings index(indexFile, QSettings::IniFormat);
    // QSettings splits a comma list; only the first inherited theme is consulted.
    const QVariant inherits = index.value(QStringLiteral("Icon Theme/Inherits"));
    const QStringList names = inherits.toStringList();
    return names.isEmpty() ? QString() : names.first().trimmed();
}

QString handCursorIn(const QString &themeDir)
{
    for (const char *name : {"hand2", "pointer"}) {
        const QString candidate = themeDir + QStringLiteral("/cursors/") + QLatin1String(name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace

QString QtCursorLookup::themesFolder() const
{
    QStringList candidates;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    candidates << dataHome + QStringLiteral("/icons");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    const QStringList dirs = dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &dir : dirs)
        candidates << dir + QStringLiteral("/icons");
    for (const QString &candidate : std::as_const(candidates)) {
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return {};
}

QString QtCursorLookup::findHandCursor(const QString &themesFolder) const
{
    if (themesFolder.isEmpty())
        return {};
    QString theme = qEnvironmentVariable("XCURSOR_THEME").trimmed();
    if (theme.isEmpty() || theme.contains(QLatin1Char('/')))
        theme = QStringLiteral("default");
    const QString themeDir = themesFolder + QLatin1Char('/') + theme;
    QString found = handCursorIn(themeDir);
    if (!found.isEmpty())
        return found;
    const QString parent = inheritedTheme(themeDir);
    if (parent.isEmpty() || parent.contains(QLatin1Char('/')))
        return {};
    return handCursorIn(themesFolder + QLatin1Char('/') + parent);
}

bool QtCursorLookup::loadCursor(const QString &path) const
{
    // An X cursor file starts with the magic "Xcur"; anything else would not load.
    QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(4) == QByteArrayLiteral("Xcur");
}

#include "platform/QtShellHandoff.h"

#include "platform/LocalPath.h"

#include <QDesktopServices>
#include <QUrl>

// QDesktopServices hands the URL to the desktop's opener as one argument; no shell sees it.

bool QtShellHandoff::openFile(const QString &path)
{
    return QDesktopServices::openUrl(LocalPath::fileUrl(path));
}

bool QtShellHandoff::openWebAddress(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

bool QtShellHandoff::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(LocalPath::fileUrl(folder));
}

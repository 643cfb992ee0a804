#include "files/PathText.h"

QString fnAddBackslash(const QString &path)
{
    qsizetype first = 0;
    qsizetype end = path.size();
    while (first < end && path.at(first) == u' ')
        ++first;
    while (end > first && path.at(end - 1) == u' ')
        --end;
    QString folder = path.mid(first, end - first);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

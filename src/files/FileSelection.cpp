#include "files/FileSelection.h"

#include "files/FileList.h"
#include "files/PatternMatcher.h"

#include <QStringList>
#include <QVector>

namespace FileSelection {

namespace {

QStringView fileNamePart(const QString &path)
{
    return QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
}

} // namespace

QString fnGetFileName(const QString &path)
{
    return fileNamePart(path).toString();
}

// Ticking moves the current entry (the list's rule), so it is put back afterwards.
void selectAll(FileList &list)
{
    const int current = list.currentIndex();
    list.setAllTicked(true);
    list.setCurrentIndex(current);
}

void selectNone(FileList &list)
{
    const int current = list.currentIndex();
    list.setAllTicked(false);
    list.setCurrentIndex(current);
}

int selectPattern(FileList &list, const QString &pattern)
{
    const int current = list.currentIndex();
    const PatternMatcher matcher(pattern);

    QVector<bool> ticks(list.count(), false);
    int matched = 0;
    if (matcher.isWellFormed()) {
        for (int i = 0; i < list.count(); ++i) {
            if (matcher.matches(fileNamePart(list.entry(i)))) {
                ticks[i] = true;
                ++matched;
            }
        }
    }
    list.setTicks(ticks);
    list.setCurrentIndex(current);
    return matched;
}

QString selectionCountText(int count)
{
    return QString::number(count) + QStringLiteral(" selected");
}

void trimList(FileList &list)
{
    list.removeUnticked();
}

QString patternExamplesText()
{
    static const QStringList lines = {
        QStringLiteral(" aBBBa   is matched by   a*a "),
        QStringLiteral(" F   is matched by   [A-Z]"),
        QStringLiteral(" F   is NOT matched by   [!A-Z]"),
        QStringLiteral(" a2a   is matched by   a#a "),
        QStringLiteral(" aM5b   is matched by   a[L-P]#[!c-e] "),
        QStringLiteral(" BAT123khg   is matched by   B?T* "),
        QStringLiteral(" CAT123khg   is NOT matched by   B?T* "),
        QString(),
        QStringLiteral(" Note:  "),
        QStringLiteral("         : Pictarra is designed to be case insensitive "),
        QStringLiteral("         : the pattern matching is only on the filename not path "),
    };
    QString text;
    for (const QString &line : lines)
        text += line + u'\n';
    return text;
}

} // namespace FileSelection

#include "MemorySettingsFile.h"

void MemorySettingsFile::setContents(const QByteArray &contents)
{
    current = Snapshot{true, true, contents};
}

void MemorySettingsFile::setUnreadable()
{
    current = Snapshot{true, false, {}};
}

bool MemorySettingsFile::update(
    const std::function<std::optional<QByteArray>(const Snapshot &)> &change)
{
    ++updateCount;
    if (failUpdates)
        return false;
    if (beforeReread)
        beforeReread();
    const std::optional<QByteArray> replacement = change(current);
    if (replacement) {
        writes.append(*replacement);
        setContents(*replacement);
    }
    return true;
}

bool MemorySettingsFile::keepAside()
{
    ++keepAsideCount;
    if (failKeepAside)
        return false;
    if (current.exists) {
        keptAside = current;
        current = Snapshot{false, true, {}};
    }
    return true;
}

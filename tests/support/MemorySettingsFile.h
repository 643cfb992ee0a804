#pragma once

#include "platform/SettingsFile.h"

#include <QList>

// A settings file held in memory. Tests set its contents, make its lock or its replacement
// fail, and look at every write it received.
class MemorySettingsFile final : public SettingsFile
{
public:
    MemorySettingsFile() = default;
    explicit MemorySettingsFile(const QByteArray &contents) { setContents(contents); }

    void setContents(const QByteArray &contents);
    void setUnreadable();  // there is a file, but it cannot be read

    QString path() const override { return QStringLiteral("memory/Pictarra.reg"); }
    Snapshot read() const override { return current; }
    bool update(const std::function<std::optional<QByteArray>(const Snapshot &)> &change) override;
    bool keepAside() override;

    Snapshot current{false, true, {}};
    bool failUpdates = false;    // the lock cannot be had: nothing is read or written
    bool failKeepAside = false;  // the file cannot be moved aside
    // Runs inside update before the file is re-read: another program changing the file.
    std::function<void()> beforeReread;

    int updateCount = 0;
    QList<QByteArray> writes;  // every replacement, in order
    int keepAsideCount = 0;
    std::optional<Snapshot> keptAside;  // what the last keepAside moved away
};

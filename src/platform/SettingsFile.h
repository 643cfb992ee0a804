#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The per-user settings file. Writers re-read it under a lock and replace it atomically, so
// two running copies never lose each other's values and a crash never leaves half a file.
class SettingsFile
{
public:
    struct Snapshot
    {
        bool exists = false;   // there is a file at all
        bool readable = true;  // false when it exists but could not be read (permissions, I/O error)
        QByteArray bytes;
    };

    virtual ~SettingsFile() = default;

    virtual QString path() const = 0;
    virtual Snapshot read() const = 0;
    // Under the file's lock: reads the current contents, passes them to `change` and replaces
    // the file with what it returns (std::nullopt writes nothing). Returns false when the lock
    // could not be had or the file could not be replaced; the file is then as it was.
    virtual bool update(const std::function<std::optional<QByteArray>(const Snapshot &)> &change) = 0;
    // Moves the current file aside (next to it, with ".bad" appended) so that a damaged file
    // is never overwritten. Returns false when that failed.
    virtual bool keepAside() = 0;
};

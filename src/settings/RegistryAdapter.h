#pragma once

#include "settings/RegRoot.h"
#include "settings/RegistryDocument.h"

#include <QHash>
#include <QString>

#include <functional>

class SettingsFile;

using RegHandle = quint32;

// The registry calls the settings procedures are written against, over the settings file,
// with the registry's handles, result codes (RegResult) and size rules. Opening a key reads
// the file afresh; every call that changes something re-reads the file under its lock,
// changes it and replaces it whole, so two running copies never undo each other's writes.
//
// A file that cannot be read or understood reads as an empty store; before anything is
// written over it, it is moved aside (SettingsFile::keepAside), so what the user had is
// never lost silently. When it cannot be moved aside, nothing is written.
class RegistryAdapter
{
public:
    explicit RegistryAdapter(SettingsFile &file);

    // Opens an existing key ("" is the root itself); *handle is 0 when that fails.
    qint32 RegOpenKeyA(RegRoot root, const QString &subKey, RegHandle *handle);
    // Opens the key, creating it and any missing parents first.
    qint32 RegCreateKeyA(RegRoot root, const QString &subKey, RegHandle *handle);
    // Without `data` reports the value's type and its size in bytes (a text's terminating NUL
    // included). With `data`, *size is the buffer's size on entry: the data is copied when it
    // fits, otherwise the result is MoreData and *size the size needed. A missing value
    // leaves *type and *size alone.
    qint32 RegQueryValueExA(RegHandle handle, const QString &valueName, quint32 *type,
                            char *data, quint32 *size);
    qint32 RegSetValueExA(RegHandle handle, const QString &valueName, quint32 type,
                          const char *data, quint32 size);
    // Every handle, 0 included, may be passed; one that is not open gives InvalidHandle.
    qint32 RegCloseKey(RegHandle handle);

private:
    void reload();
    // Applies `change` to the file's current contents; `change` returns false when there is
    // nothing to write.
    qint32 write(const std::function<bool(RegistryDocument &)> &change);
    RegHandle openHandle(const QString &path);

    SettingsFile &m_file;
    RegistryDocument m_document;  // as last read or written
    QHash<RegHandle, QString> m_openKeys;
    RegHandle m_lastHandle = 0;
};

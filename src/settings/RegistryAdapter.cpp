#include "settings/RegistryAdapter.h"

#include "platform/SettingsFile.h"
#include "settings/RegistryCodes.h"
#include "settings/RegistryText.h"

#include <cstring>
#include <optional>

namespace {

// The file's contents as a store: a missing file is an empty one; a file that cannot be
// read or parsed gives nothing.
std::optional<RegistryDocument> documentOf(const SettingsFile::Snapshot &snapshot)
{
    if (!snapshot.exists)
        return RegistryDocument();
    if (!snapshot.readable)
        return std::nullopt;
    return RegistryText::parse(snapshot.bytes);
}

} // namespace

RegistryAdapter::RegistryAdapter(SettingsFile &file)
    : m_file(file)
{
}

void RegistryAdapter::reload()
{
    // A damaged file reads as an empty store; it stays where it is until a write moves it aside.
    m_document = documentOf(m_file.read()).value_or(RegistryDocument());
}

RegHandle RegistryAdapter::openHandle(const QString &path)
{
    do {
        ++m_lastHandle;
    } while (m_lastHandle == 0 || m_openKeys.contains(m_lastHandle));
    m_openKeys.insert(m_lastHandle, path);
    return m_lastHandle;
}

qint32 RegistryAdapter::write(const std::function<bool(RegistryDocument &)> &change)
{
    // A second attempt follows only after a damaged file was moved aside.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool damaged = false;
        std::optional<RegistryDocument> result;
        const bool done = m_file.update([&](const SettingsFile::Snapshot &snapshot)
                                            -> std::optional<QByteArray> {
            result = documentOf(snapshot);
            if (!result) {
                damaged = true;
                return std::nullopt;
            }
            if (!change(*result))
                return std::nullopt;
            return RegistryText::write(*result);
        });
        if (!done || (!damaged && !result))
            return RegResult::CantWrite;
        if (!damaged) {
            m_document = *result;
            return RegResult::Success;
        }
        // Only once: a second move would put this file over the one just kept.
        if (attempt > 0 || !m_file.keepAside())
            return RegResult::BadDatabase;
    }
    return RegResult::BadDatabase;
}

qint32 RegistryAdapter::RegOpenKeyA(RegRoot, const QString &subKey, RegHandle *handle)
{
    if (!handle)
        return RegResult::InvalidParameter;
    *handle = 0;
    if (!RegistryDocument::isValidKeyPath(subKey))
        return RegResult::BadPathname;
    reload();
    if (!m_document.keyExists(subKey))
        return RegResult::FileNotFound;
    *handle = openHandle(subKey);
    return RegResult::Success;
}

qint32 RegistryAdapter::RegCreateKeyA(RegRoot, const QString &subKey, RegHandle *handle)
{
    if (!handle)
        return RegResult::InvalidParameter;
    *handle = 0;
    if (!RegistryDocument::isValidKeyPath(subKey))
        return RegResult::BadPathname;
    reload();
    if (!m_document.keyExists(subKey)) {
        const qint32 result = write([&](RegistryDocument &document) {
            return document.createKey(subKey);
        });
        if (result != RegResult::Success)
            return result;
    }
    *handle = openHandle(subKey);
    return RegResult::Success;
}

qint32 RegistryAdapter::RegQueryValueExA(RegHandle handle, const QString &valueName,
                                         quint32 *type, char *data, quint32 *size)
{
    if (data && !size)
        return RegResult::InvalidParameter;
    const auto key = m_openKeys.constFind(handle);
    if (key == m_openKeys.cend())
        return RegResult::InvalidHandle;
    const RegistryDocument::Value *value = m_document.value(*key, valueName);
    if (!value)
        return RegResult::FileNotFound;
    if (type)
        *type = value->type;
    if (!size)
        return RegResult::Success;
    const quint32 needed = quint32(value->data.size());
    if (data && *size < needed) {
        *size = needed;
        return RegResult::MoreData;
    }
    if (data && needed > 0)
        std::memcpy(data, value->data.constData(), needed);
    *size = needed;
    return RegResult::Success;
}

qint32 RegistryAdapter::RegSetValueExA(RegHandle handle, const QString &valueName, quint32 type,
                                       const char *data, quint32 size)
{
    const auto key = m_openKeys.constFind(handle);
    if (key == m_openKeys.cend())
        return RegResult::InvalidHandle;
    if (!RegistryDocument::isValidValueName(valueName) || (!data && size > 0))
        return RegResult::InvalidParameter;
    const QString keyPath = *key;
    const QByteArray bytes(data, qsizetype(size));
    // The key is made again should the file have lost it meanwhile (another copy of the
    // program moved a damaged file aside), rather than dropping the value.
    return write([&](RegistryDocument &document) {
        document.setValue(keyPath, valueName, type, bytes);
        return true;
    });
}

qint32 RegistryAdapter::RegCloseKey(RegHandle handle)
{
    return m_openKeys.remove(handle) ? RegResult::Success : RegResult::InvalidHandle;
}

#include "settings/SettingsStore.h"

#include "settings/NumericText.h"
#include "settings/RegistryCodes.h"

#include <QtEndian>

#include <optional>

namespace {

// The store trims blanks (spaces) only: other white space belongs to the value.
QString trimmedOfBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == u' ')
        ++first;
    while (end > first && text.at(end - 1) == u' ')
        --end;
    return text.mid(first, end - first);
}

// The value as a number when it is one, or text that reads as one.
std::optional<double> numericValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return numberFromText(value.toString());
    default:
        if (value.metaType().flags().testFlag(QMetaType::IsEnumeration))
            return double(value.toLongLong());
        return std::nullopt;
    }
}

} // namespace

SettingsStore::SettingsStore(SettingsFile &file)
    : m_registry(file)
{
}

bool SettingsStore::fnRegKeyExists(RegRoot root, const QString &keyPath)
{
    RegHandle handle = 0;
    m_lastRegistryResult = m_registry.RegOpenKeyA(root, keyPath, &handle);
    const bool exists = handle != 0;
    m_lastRegistryResult = m_registry.RegCloseKey(handle);
    return exists;
}

void SettingsStore::fnRegCreateKey(RegRoot root, const QString &keyPath)
{
    RegHandle handle = 0;
    m_lastRegistryResult = m_registry.RegCreateKeyA(root, keyPath, &handle);
    m_lastRegistryResult = m_registry.RegCloseKey(handle);
}

QString SettingsStore::fnRegGetValue(RegRoot root, const QString &keyPath,
                                     const QString &valueName, const QString &defaultValue)
{
    RegHandle handle = 0;
    m_lastRegistryResult = m_registry.RegOpenKeyA(root, keyPath, &handle);
    if (handle == 0) {
        m_lastRegistryResult = m_registry.RegCloseKey(handle);
        return defaultValue;
    }

    quint32 type = 0;
    quint32 size = 0;
    m_lastRegistryResult = m_registry.RegQueryValueExA(handle, valueName, &type, nullptr, &size);
    QString result = defaultValue;
    if (type == RegValueType::Text) {
        QByteArray buffer(qsizetype(size), ' ');
        m_lastRegistryResult = m_registry.RegQueryValueExA(handle, valueName, &type,
                                                           buffer.data(), &size);
        if (m_lastRegistryResult == RegResult::Success) {
            const qsizetype nul = buffer.indexOf('\0');
            result = QString::fromUtf8(nul < 0 ? buffer : buffer.left(nul));
        }
    } else if (type == RegValueType::Dword) {
        char number[4] = {};
        quint32 numberSize = sizeof number;
        m_lastRegistryResult = m_registry.RegQueryValueExA(handle, valueName, &type, number,
                                                           &numberSize);
        if (m_lastRegistryResult == RegResult::Success)
            result = QString::number(qFromLittleEndian<qint32>(number));
    }
    // Any other kind, and a missing value, reads as the default.
    m_lastRegistryResult = m_registry.RegCloseKey(handle);
    return result;
}

void SettingsStore::fnRegSetValue(RegRoot root, const QString &keyPath,
                                  const QString &valueName, const QVariant &value)
{
    const std::optional<double> number = numericValue(value);
    if (!number) {
        storeText(root, keyPath, valueName, value.toString());
        return;
    }
    // Checked before the key is created, so that a number that does not fit changes nothing.
    const std::optional<qint32> whole = roundToInt32(*number);
    if (!whole) {
        m_lastRegistryResult = RegResult::InvalidParameter;
        return;
    }
    char bytes[4];
    qToLittleEndian(*whole, bytes);
    RegHandle handle = 0;
    m_lastRegistryResult = m_registry.RegCreateKeyA(root, keyPath, &handle);
    m_lastRegistryResult = m_registry.RegSetValueExA(handle, valueName, RegValueType::Dword,
                                                     bytes, sizeof bytes);
    m_lastRegistryResult = m_registry.RegCloseKey(handle);
}

void SettingsStore::fnRegSetString(RegRoot root, const QString &keyPath,
                                   const QString &valueName, const QString &value)
{
    storeText(root, keyPath, valueName, value);
}

void SettingsStore::storeText(RegRoot root, const QString &keyPath, const QString &valueName,
                              const QString &value)
{
    const QByteArray text = trimmedOfBlanks(value).toUtf8().append('\0');
    RegHandle handle = 0;
    m_lastRegistryResult = m_registry.RegCreateKeyA(root, keyPath, &handle);
    m_lastRegistryResult = m_registry.RegSetValueExA(handle, valueName, RegValueType::Text,
                                                     text.constData(), quint32(text.size()));
    m_lastRegistryResult = m_registry.RegCloseKey(handle);
}

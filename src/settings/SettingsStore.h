#pragma once

#include "settings/RegRoot.h"
#include "settings/RegistryAdapter.h"

#include <QString>
#include <QVariant>

class SettingsFile;

// The five procedures through which the program reads and writes its settings. Each opens
// and closes its key itself; none reports a failure to its caller: a key that cannot be
// opened, a missing value, a value of another kind or a failed read all give the default,
// and a failed write leaves the store as it was. The result code of the most recent registry
// call is kept as the last registry result.
class SettingsStore
{
public:
    explicit SettingsStore(SettingsFile &file);

    bool fnRegKeyExists(RegRoot root, const QString &keyPath);
    // Creates the key and any missing parents.
    void fnRegCreateKey(RegRoot root, const QString &keyPath);
    // The stored value as text (a number arrives as its decimal text, and text ends at its
    // first NUL), or defaultValue for a missing value or one of another kind.
    QString fnRegGetValue(RegRoot root, const QString &keyPath, const QString &valueName,
                          const QString &defaultValue);
    // A number, or text that reads as one, is stored as a 32-bit number, rounded to the
    // nearest whole number with halves to the even neighbour; one that does not fit 32 bits
    // is not stored at all. Anything else is stored as text trimmed of blanks.
    void fnRegSetValue(RegRoot root, const QString &keyPath, const QString &valueName,
                       const QVariant &value);
    // Always stored as text trimmed of blanks, even when it reads as a number.
    void fnRegSetString(RegRoot root, const QString &keyPath, const QString &valueName,
                        const QString &value);

    qint32 lastRegistryResult() const { return m_lastRegistryResult; }

private:
    void storeText(RegRoot root, const QString &keyPath, const QString &valueName,
                   const QString &value);

    RegistryAdapter m_registry;
    qint32 m_lastRegistryResult = 0;
};

#include "settings/RegistryDocument.h"

#include <algorithm>

namespace {

const QChar Separator = QLatin1Char('\\');

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

// The form names are compared in: case-folded name by name.
QString folded(const QString &path)
{
    QStringList names = path.split(Separator);
    for (QString &name : names)
        name = name.toCaseFolded();
    return names.join(Separator);
}

} // namespace

bool RegistryDocument::isValidValueName(const QString &name)
{
    return std::none_of(name.cbegin(), name.cend(), isControl);
}

bool RegistryDocument::isValidKeyPath(const QString &path)
{
    if (path.isEmpty())
        return true;
    const QStringList names = path.split(Separator);
    return std::all_of(names.cbegin(), names.cend(), [](const QString &name) {
        return !name.isEmpty() && isValidValueName(name);
    });
}

qsizetype RegistryDocument::indexOfKey(const QString &path) const
{
    return m_keyIndex.value(folded(path), -1);
}

bool RegistryDocument::keyExists(const QString &path) const
{
    return path.isEmpty() || m_existingPaths.contains(folded(path));
}

QString RegistryDocument::spelledPath(const QString &path) const
{
    const QStringList names = path.split(Separator);
    QString foldedPrefix;
    QString spelled;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString name = names.at(i).toCaseFolded();
        foldedPrefix = i == 0 ? name : foldedPrefix + Separator + name;
        const auto existing = m_existingPaths.constFind(foldedPrefix);
        // Once a name is new, the rest is new as well and keeps the caller's spelling.
        if (existing == m_existingPaths.cend()) {
            const QString rest = names.mid(i).join(Separator);
            return spelled.isEmpty() ? rest : spelled + Separator + rest;
        }
        spelled = *existing;
    }
    return spelled;
}

qsizetype RegistryDocument::addKeyLine(const QString &path)
{
    Q_ASSERT(isValidKeyPath(path));
    const QString foldedPath = folded(path);
    const auto known = m_keyIndex.constFind(foldedPath);
    if (known != m_keyIndex.cend())
        return *known;

    const QString spelled = spelledPath(path);
    m_keys.append(Key{spelled, {}});
    m_valueIndex.append(QHash<QString, qsizetype>());
    m_keyIndex.insert(foldedPath, m_keys.size() - 1);
    // The key and every key above it now exist.
    const QStringList names = spelled.split(Separator);
    const QStringList foldedNames = foldedPath.split(Separator);
    for (qsizetype i = 1; i <= names.size() && !path.isEmpty(); ++i)
        m_existingPaths.insert(foldedNames.mid(0, i).join(Separator), names.mid(0, i).join(Separator));
    return m_keys.size() - 1;
}

void RegistryDocument::addKey(const QString &path)
{
    addKeyLine(path);
}

bool RegistryDocument::createKey(const QString &path)
{
    Q_ASSERT(isValidKeyPath(path));
    if (keyExists(path))
        return false;
    const QStringList names = path.split(Separator);
    QString prefix;
    for (const QString &name : names) {
        prefix = prefix.isEmpty() ? name : prefix + Separator + name;
        if (!keyExists(prefix))
            addKeyLine(prefix);
    }
    return true;
}

const RegistryDocument::Value *RegistryDocument::value(const QString &keyPath,
                                                       const QString &name) const
{
    const qsizetype key = indexOfKey(keyPath);
    if (key < 0)
        return nullptr;
    const qsizetype index = m_valueIndex.at(key).value(name.toCaseFolded(), -1);
    return index < 0 ? nullptr : &m_keys.at(key).values.at(index);
}

void RegistryDocument::setValue(const QString &keyPath, const QString &name, quint32 type,
                                const QByteArray &data)
{
    Q_ASSERT(isValidValueName(name));
    const qsizetype key = addKeyLine(keyPath);
    QList<Value> &values = m_keys[key].values;
    const auto known = m_valueIndex.at(key).constFind(name.toCaseFolded());
    if (known != m_valueIndex.at(key).cend()) {
        values[*known].type = type;
        values[*known].data = data;
        return;
    }
    values.append(Value{name, type, data});
    m_valueIndex[key].insert(name.toCaseFolded(), values.size() - 1);
}

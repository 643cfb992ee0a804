#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The settings store as the registry holds it: keys below HKEY_CURRENT_USER, each with named
// values that are raw bytes plus a type number. A key path is key names joined by '\'; ""
// is HKEY_CURRENT_USER itself. Key and value names compare without regard to letter case and
// keep the spelling they were first written with, as in the registry. Keys and values stay
// in the order they were first seen, so a file a person arranged keeps its arrangement.
class RegistryDocument
{
public:
    struct Value
    {
        QString name;  // "" is the key's unnamed (default) value
        quint32 type = 0;
        QByteArray data;
        bool operator==(const Value &) const = default;
    };

    struct Key
    {
        QString path;
        QList<Value> values;
        bool operator==(const Key &) const = default;
    };

    // Names must stay writable on one line of the settings file: no control characters. A
    // key name must also be non-empty and hold no '\'.
    static bool isValidValueName(const QString &name);
    static bool isValidKeyPath(const QString &path);

    const QList<Key> &keys() const { return m_keys; }

    // A key exists when it was created itself or when any key below it exists (creating a key
    // creates its parents).
    bool keyExists(const QString &path) const;
    // Creates the key and any missing parents; returns false when it existed already.
    bool createKey(const QString &path);
    // Gives the key a line of its own, as a key line of the settings file does; the keys above
    // it exist through it.
    void addKey(const QString &path);

    const Value *value(const QString &keyPath, const QString &name) const;
    // Stores a value, creating its key when needed. A value that exists keeps its place and
    // the spelling of its name.
    void setValue(const QString &keyPath, const QString &name, quint32 type, const QByteArray &data);

    bool operator==(const RegistryDocument &other) const { return m_keys == other.m_keys; }

private:
    qsizetype indexOfKey(const QString &path) const;
    // The path as already spelled in the document, as far as it exists there.
    QString spelledPath(const QString &path) const;
    qsizetype addKeyLine(const QString &path);

    QList<Key> m_keys;
    // Indexes by case-folded name, so that a large file does not take quadratic time.
    QHash<QString, qsizetype> m_keyIndex;           // key path -> index in m_keys
    QHash<QString, QString> m_existingPaths;        // every existing key path -> its spelling
    QList<QHash<QString, qsizetype>> m_valueIndex;  // per key: value name -> index in values
};

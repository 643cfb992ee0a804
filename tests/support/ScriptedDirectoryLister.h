#pragma once

#include "platform/DirectoryLister.h"

#include <QHash>
#include <QStringList>
#include <QVector>

// A directory lister that plays back folders written by a test: entries in a given order,
// folders that cannot be opened, enumerations that fail after some entries, and folders that
// share an identity (one folder reached through a link).
class ScriptedDirectoryLister final : public DirectoryLister
{
public:
    struct Folder
    {
        QVector<DirectoryEntry> entries;
        int failAfter = -1;  // >= 0: next() fails once this many entries were returned
        FolderIdentity identity;
    };

    static DirectoryEntry file(const QString &name) { return {name, EntryKind::RegularFile}; }
    static DirectoryEntry folder(const QString &name) { return {name, EntryKind::Directory}; }
    static DirectoryEntry other(const QString &name) { return {name, EntryKind::Other}; }
    static DirectoryEntry unreadable(const QString &name) { return {name, EntryKind::Unreadable}; }

    // Adds a folder with its own identity; `path` without a trailing "/".
    Folder &add(const QString &path, const QVector<DirectoryEntry> &entries)
    {
        Folder &added = folders[path];
        added.entries = entries;
        added.identity = {1, quint64(folders.size())};
        return added;
    }
    // A folder reached through a link: its entries and identity are those of `target`.
    void addLink(const QString &path, const QString &target) { links[path] = target; }

    std::unique_ptr<DirectoryEnumeration> open(const QString &path) override
    {
        QString key = path.size() > 1 && path.endsWith(u'/') ? path.chopped(1) : path;
        opened.append(key);
        key = links.value(key, key);
        const auto found = folders.constFind(key);
        if (found == folders.constEnd())
            return nullptr;
        return std::make_unique<Enumeration>(*found);
    }

    QHash<QString, Folder> folders;
    QHash<QString, QString> links;
    QStringList opened;

private:
    class Enumeration final : public DirectoryEnumeration
    {
    public:
        explicit Enumeration(const Folder &folder) : m_folder(folder) {}
        FolderIdentity identity() const override { return m_folder.identity; }
        bool failed() const override { return m_failed; }
        bool next(DirectoryEntry &entry) override
        {
            if (m_folder.failAfter >= 0 && m_position >= m_folder.failAfter) {
                m_failed = true;
                return false;
            }
            if (m_position >= m_folder.entries.size())
                return false;
            entry = m_folder.entries[m_position++];
            return true;
        }

    private:
        Folder m_folder;
        qsizetype m_position = 0;
        bool m_failed = false;
    };
};

#pragma once

#include "platform/DirectoryLister.h"

#include <QLocale>

#include <memory>

class NaturalNameOrder;

// The directory lister over opendir/readdir. A folder's names are all read and put in order
// when its first entry is asked for, each name's collation key computed once. The entry type
// the file system reports with each name is trusted where it is given; only links and entries
// of unknown type are looked up (fstatat, following the link) as they are handed out, so a
// plain scan costs little beyond reading the folder and ordering its names.
class PosixDirectoryLister final : public DirectoryLister
{
public:
    // Orders names by the user's locale.
    PosixDirectoryLister();
    // Orders names by the collation of `collation`.
    explicit PosixDirectoryLister(const QLocale &collation);

    std::unique_ptr<DirectoryEnumeration> open(const QString &folder) override;

private:
    std::shared_ptr<const NaturalNameOrder> m_order;
};

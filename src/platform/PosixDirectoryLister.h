#pragma once

#include "platform/DirectoryLister.h"

// The directory lister over opendir/readdir. The entry type the file system reports with each
// name is trusted where it is given; only links and entries of unknown type are looked up
// (fstatat, following the link), so a plain scan costs next to nothing beyond reading the
// folder.
class PosixDirectoryLister final : public DirectoryLister
{
public:
    std::unique_ptr<DirectoryEnumeration> open(const QString &folder) override;
};

#pragma once
// The search index's file on disk: private to the user, as the mail it
// holds. Folders made for it are 0700, the file 0600; a symbolic link,
// folder or FIFO at its path is not used (a fresh file beside it is); and
// a lock file beside it lets one process at a time rebuild it.

#include <string>

namespace vellumine {

struct IndexFileChoice {
    std::string path;
    std::string notice;  // the German sentence when the path first asked for could not be used
};

// Makes the missing folders of `path` (0700) and picks the file to use:
// `path` when it is a regular file or missing, else the first free or
// regular "NAME-N.sqlite" beside it. Raises Error when there is none.
IndexFileChoice ChooseIndexFile(const std::string& path);

// Creates the file 0600 when missing, and takes group and other access
// from one that is there and from SQLite's log files beside it. Does not
// follow a symbolic link.
void MakeIndexFilePrivate(const std::string& path);

// Held while the index file is judged and, when damaged, made anew: a
// second process waits, then finds the first's result. Without a usable
// lock file it does not lock, as before.
class IndexRebuildLock {
public:
    explicit IndexRebuildLock(const std::string& indexPath);
    ~IndexRebuildLock();
    IndexRebuildLock(const IndexRebuildLock&) = delete;
    IndexRebuildLock& operator=(const IndexRebuildLock&) = delete;

private:
    int FDescriptor = -1;
};

}  // namespace vellumine

#pragma once
// The full-text index of a store: one SQLite file per store in the user's
// cache folder, never in the store, readable by the user alone. It is
// brought up to date folder file by folder file: a file whose size and
// modification time are unchanged is not read again; a changed one whose
// records and sources lie where they lay is not indexed again; otherwise
// the messages new in it are added and those gone from it taken out, in
// one transaction. The messages of files gone from the store leave it. An
// index file that is damaged, of another schema or of another store is
// rebuilt, not trusted.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

class SqliteDatabase;
class StoreReader;

struct SearchHit {
    std::string file;    // the folder file
    std::string folder;  // the store's path of folder names, UTF-8
    Toe5_MessageInfo info;  // sender, recipient, subject as stored; date; source offset
    std::string snippet;    // the text around what matched, UTF-8
    // The words of the snippet that matched: byte offset and length.
    std::vector<std::pair<std::size_t, std::size_t>> matches;
};

struct IndexUpdate {
    std::size_t filesRead = 0;
    std::size_t filesUnchanged = 0;
    std::size_t filesRemoved = 0;
    std::vector<std::string> unreadable;  // the German error of each file that could not be read
    std::size_t messagesIndexed = 0;
    std::size_t messagesRemoved = 0;  // gone from folder files that are still there
    bool rebuilt = false;  // the index file was found damaged or foreign and made anew
    std::string notice;    // said once: the index is kept elsewhere than asked (see ChooseIndexFile)
};

struct IndexCallbacks {
    // Messages indexed so far, of how many in the files that changed.
    std::function<void(std::size_t done, std::size_t total)> progress;
    std::function<bool()> cancelled;  // true stops after the current folder file
};

// Where the index of the store in `storeFolder` is kept:
// $XDG_CACHE_HOME/vellumine/<SHA-256 of the path>.sqlite (~/.cache without it).
std::string SearchIndexPath(const std::string& storeFolder);

class SearchIndex {
public:
    static constexpr std::size_t kResultsWithSnippet = 100;
    static constexpr std::size_t kResultsPerPage = 1000;

    // Opens the index file at `indexPath` for the store at `storeFolder`,
    // creating it (and its folder) when missing. Raises the German error
    // when it can be neither opened nor made anew.
    SearchIndex(const std::string& indexPath, const std::string& storeFolder);
    ~SearchIndex();

    IndexUpdate Update(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                       const IndexCallbacks& callbacks = {});

    // The messages the query finds, newest first, at most `limit` of them
    // after the first `offset`; the first `withSnippet` of those with their
    // snippets. Raises Error for a query that cannot be read.
    std::vector<SearchHit> Find(const std::string& query, std::size_t limit = kResultsPerPage,
                                std::size_t offset = 0, std::size_t withSnippet = kResultsWithSnippet);
    // How many messages the query finds in all.
    std::size_t Count(const std::string& query);

    std::size_t MessageCount();

private:
    void OpenTrusted();
    void Open();
    bool Trustworthy();
    void Recreate();
    void CreateSchema();
    IndexUpdate UpdateOnce(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                           const IndexCallbacks& callbacks);

    std::string FPath;
    std::string FStoreFolder;
    std::unique_ptr<SqliteDatabase> FDatabase;
    bool FRebuilt = false;
    std::string FNotice;
};

}  // namespace vellumine

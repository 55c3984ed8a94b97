#pragma once
// Writing the messages of one folder file into the search index, and
// taking them out again.

#include <string>

#include "search/IndexedMessage.h"
#include "search/SqliteDatabase.h"

namespace vellumine {

// Removes the messages of `file`, its texts from the full-text table, and
// the file's entry.
void RemoveFileEntries(SqliteDatabase& database, const std::string& file);

// Removes one message and its texts.
void RemoveMessageEntry(SqliteDatabase& database, std::int64_t id);

// The messages of one folder file, written into the index.
class FileIndexer {
public:
    explicit FileIndexer(SqliteDatabase& database);

    void Add(const std::string& file, const Toe5_MessageInfo& info, const IndexedMessage& indexed);

private:
    std::int64_t FreeIdFor(std::uint64_t fileTime);

    SqliteDatabase& FDatabase;
    SqliteStatement FNextId;
    SqliteStatement FMessage;
    SqliteStatement FText;
};

}  // namespace vellumine

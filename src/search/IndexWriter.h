#pragma once
// Writing the messages of one folder file into the search index, and
// taking them out again.

#include <string>
#include <vector>

#include "search/IndexedMessage.h"
#include "search/SqliteDatabase.h"

namespace vellumine {

// Removes the messages of `file`, its texts from the full-text table, and
// the file's entry.
void RemoveFileEntries(SqliteDatabase& database, const std::string& file);

// Removes one message and its texts.
void RemoveMessageEntry(SqliteDatabase& database, std::int64_t id);

// The messages of one folder file, written into the index. They are
// gathered in batches and each batch is written in the order of the ids
// its messages get (their dates): the full-text table then keeps adding to
// the words it holds in memory instead of writing a segment for each
// message whose id is below the one before, and the tables grow at few
// places. A message gets the id it would get written at once: those of the
// same second keep the order they were added in.
class FileIndexer {
public:
    explicit FileIndexer(SqliteDatabase& database);

    void Add(const std::string& file, const Toe5_MessageInfo& info, IndexedMessage&& indexed);
    // Writes what is gathered; due before the transaction ends.
    void Finish();

private:
    struct Pending {
        const std::string* file;
        Toe5_MessageInfo info;
        IndexedMessage indexed;
    };
    void Write(const Pending& message);
    std::int64_t FreeIdFor(std::uint64_t fileTime);

    std::vector<Pending> FPending;
    std::size_t FPendingBytes = 0;

    SqliteStatement FNextId;
    SqliteStatement FMessage;
    SqliteStatement FText;
};

}  // namespace vellumine

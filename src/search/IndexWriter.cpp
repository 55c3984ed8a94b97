#include "search/IndexWriter.h"

#include <limits>

#include "search/MessageIds.h"
#include "search/TextPacking.h"

namespace vellumine {

void RemoveFileEntries(SqliteDatabase& database, const std::string& file)
{
    SqliteStatement(database,
                    "INSERT INTO texts(texts, rowid, folder, sender, recipients, subject, body, attachments) "
                    "SELECT 'delete', id, folder, sender, recipients, subject, vellumine_unpack(body), attachments "
                    "FROM messages WHERE file = ?1")
        .Bind(1, file)
        .Run();
    SqliteStatement(database, "DELETE FROM messages WHERE file = ?1").Bind(1, file).Run();
    SqliteStatement(database, "DELETE FROM files WHERE name = ?1").Bind(1, file).Run();
}

void RemoveMessageEntry(SqliteDatabase& database, std::int64_t id)
{
    SqliteStatement(database,
                    "INSERT INTO texts(texts, rowid, folder, sender, recipients, subject, body, attachments) "
                    "SELECT 'delete', id, folder, sender, recipients, subject, vellumine_unpack(body), attachments "
                    "FROM messages WHERE id = ?1")
        .Bind(1, id)
        .Run();
    SqliteStatement(database, "DELETE FROM messages WHERE id = ?1").Bind(1, id).Run();
}

FileIndexer::FileIndexer(SqliteDatabase& database)
    : FDatabase(database),
      FNextId(database, "SELECT coalesce(max(id) + 1, ?1) FROM messages WHERE id >= ?1 AND id < ?2"),
      FMessage(database, "INSERT INTO messages(file, offset, date, raw_sender, raw_recipient, raw_subject, "
                         "folder, sender, recipients, subject, body, attachments, id, record_offset) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)"),
      FText(database, "INSERT INTO texts(rowid, folder, sender, recipients, subject, body, attachments) "
                      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
{
}

void FileIndexer::Add(const std::string& file, const Toe5_MessageInfo& info, const IndexedMessage& indexed)
{
    FMessage.Bind(1, file).Bind(2, std::int64_t{info.SourceOffset}).Bind(3, StoredDate(info.MessageDate));
    FMessage.BindBlob(4, info.SenderName).BindBlob(5, info.RecipientName).BindBlob(6, info.Subject);
    FMessage.Bind(7, indexed.folder).Bind(8, indexed.sender).Bind(9, indexed.recipients);
    FMessage.Bind(10, indexed.subject).BindBlob(11, PackText(indexed.body)).Bind(12, indexed.attachments);
    const std::int64_t id = FreeIdFor(info.MessageDate);
    FMessage.Bind(13, id).Bind(14, std::int64_t{info.RecordOffset}).Run();
    FText.Bind(1, id).Bind(2, indexed.folder).Bind(3, indexed.sender);
    FText.Bind(4, indexed.recipients).Bind(5, indexed.subject).Bind(6, indexed.body).Bind(7, indexed.attachments);
    FText.Run();
}

// The next id of the date's second; a second that is full (a million
// messages, undated ones perhaps) lends from the one after.
std::int64_t FileIndexer::FreeIdFor(std::uint64_t fileTime)
{
    constexpr std::int64_t kLastFirst = std::numeric_limits<std::int64_t>::max() - kSameSecondIds;
    for (std::int64_t first = FirstIdOf(fileTime); first < kLastFirst; first += kSameSecondIds) {
        FNextId.Bind(1, first).Bind(2, first + kSameSecondIds);
        const std::int64_t id = FNextId.Step() ? FNextId.Integer(0) : first;
        FNextId.Reset();
        if (id < first + kSameSecondIds)
            return id;
    }
    throw Error("Suchindex: keine freie Nummer für eine Nachricht");
}

}  // namespace vellumine

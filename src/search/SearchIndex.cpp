#include "search/SearchIndex.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <thread>

#include "migrate/MigrationLayout.h"
#include "platform/DateTime.h"
#include "platform/Sha256.h"
#include "search/FoldingTokenizer.h"
#include "search/IndexedMessage.h"
#include "search/SearchQuery.h"
#include "search/SqliteDatabase.h"
#include "search/TextPacking.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// Raised when the layout of the tables changes; an index of another
// version is rebuilt.
constexpr const char* kSchemaVersion = "1";
// A second window writing the same index is waited for this long.
constexpr int kBusyMilliseconds = 120000;
// Progress is reported, and cancelling asked, after this many messages.
constexpr std::size_t kProgressStep = 256;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS files(name TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL,
                                 folder TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS messages(id INTEGER PRIMARY KEY, file TEXT NOT NULL, offset INTEGER NOT NULL,
                                    date INTEGER NOT NULL, raw_sender BLOB, raw_recipient BLOB, raw_subject BLOB,
                                    folder TEXT, sender TEXT, recipients TEXT, subject TEXT, body BLOB,
                                    attachments TEXT);
CREATE INDEX IF NOT EXISTS messages_by_file ON messages(file);
CREATE VIEW IF NOT EXISTS message_texts AS
  SELECT id, folder, sender, recipients, subject, vellumine_unpack(body) AS body, attachments FROM messages;
CREATE VIRTUAL TABLE IF NOT EXISTS texts USING fts5(folder, sender, recipients, subject, body, attachments,
  content='message_texts', content_rowid='id', tokenize='vellumine');
)sql";

struct Cancelled {};

struct FolderFile {
    std::string file;
    std::string folder;
};

// Each folder file once, named by the first folder that has it.
std::vector<FolderFile> FolderFilesOf(const std::vector<Toe5_FolderInfo>& folders)
{
    std::vector<FolderFile> files;
    for (const MigrationFolder& folder : PlanMigrationFolders(folders)) {
        if (folder.storeFile.empty())
            continue;
        bool known = false;
        for (const FolderFile& file : files)
            known = known || file.file == folder.storeFile;
        if (!known)
            files.push_back({folder.storeFile, folder.shownPath});
    }
    return files;
}

struct StoredFile {
    StoreFileStamp stamp;
    std::string folder;
};

std::map<std::string, StoredFile> StoredFiles(SqliteDatabase& database)
{
    std::map<std::string, StoredFile> files;
    SqliteStatement select(database, "SELECT name, size, modified, folder FROM files");
    while (select.Step())
        files[select.Text(0)] = {{static_cast<std::uint64_t>(select.Integer(1)), select.Integer(2)}, select.Text(3)};
    return files;
}

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

std::int64_t StoredDate(std::uint64_t fileTime)
{
    constexpr auto kLatest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(fileTime, kLatest));
}

// Message ids sort as their dates: the second of the date in the upper
// bits, a running number among the messages of that second in the lower
// ones. Newest first is then the index's own order, and a date range a
// range of ids, which the full-text table walks without sorting.
constexpr int kSameSecondBits = 20;
constexpr std::int64_t kSameSecondIds = std::int64_t{1} << kSameSecondBits;

std::int64_t FirstIdOf(std::uint64_t fileTime)
{
    constexpr std::uint64_t kLastSecond = (std::uint64_t{1} << (62 - kSameSecondBits)) - 1;
    return static_cast<std::int64_t>(std::min(fileTime / 10000000, kLastSecond) << kSameSecondBits);
}

// The messages of one folder file, written into the index.
class FileIndexer {
public:
    explicit FileIndexer(SqliteDatabase& database)
        : FDatabase(database),
          FNextId(database, "SELECT coalesce(max(id) + 1, ?1) FROM messages WHERE id >= ?1 AND id < ?2"),
          FMessage(database, "INSERT INTO messages(file, offset, date, raw_sender, raw_recipient, raw_subject, "
                             "folder, sender, recipients, subject, body, attachments, id) "
                             "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)"),
          FText(database, "INSERT INTO texts(rowid, folder, sender, recipients, subject, body, attachments) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
    {
    }

    void Add(const std::string& file, const Toe5_MessageInfo& info, const IndexedMessage& indexed)
    {
        FMessage.Bind(1, file).Bind(2, std::int64_t{info.SourceOffset}).Bind(3, StoredDate(info.MessageDate));
        FMessage.BindBlob(4, info.SenderName).BindBlob(5, info.RecipientName).BindBlob(6, info.Subject);
        FMessage.Bind(7, indexed.folder).Bind(8, indexed.sender).Bind(9, indexed.recipients);
        FMessage.Bind(10, indexed.subject).BindBlob(11, PackText(indexed.body)).Bind(12, indexed.attachments);
        const std::int64_t id = FreeIdFor(info.MessageDate);
        FMessage.Bind(13, id).Run();
        FText.Bind(1, id).Bind(2, indexed.folder).Bind(3, indexed.sender);
        FText.Bind(4, indexed.recipients).Bind(5, indexed.subject).Bind(6, indexed.body).Bind(7, indexed.attachments);
        FText.Run();
    }

private:
    // The next id of the date's second; a second that is full (a million
    // messages, undated ones perhaps) lends from the one after.
    std::int64_t FreeIdFor(std::uint64_t fileTime)
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

    SqliteDatabase& FDatabase;
    SqliteStatement FNextId;
    SqliteStatement FMessage;
    SqliteStatement FText;
};

struct PendingFile {
    FolderFile where;
    StoreFileStamp stamp;
    std::vector<Toe5_MessageInfo> messages;
};

// The snippet as one line: every run of white space one blank.
std::string OneLine(const std::string& text)
{
    std::string line;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !line.empty();
            continue;
        }
        if (blank)
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

std::string CacheFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return cache;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.cache";
    return std::filesystem::temp_directory_path().string();
}

}  // namespace

std::string SearchIndexPath(const std::string& storeFolder)
{
    return CacheFolder() + "/vellumine/" + Sha256Hex(storeFolder) + ".sqlite";
}

SearchIndex::SearchIndex(const std::string& indexPath, const std::string& storeFolder)
    : FPath(indexPath), FStoreFolder(storeFolder)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(FPath).parent_path(), ignored);
    try {
        Open();
        if (Trustworthy())
            return;
    } catch (const SqliteError& error) {
        if (!error.Damaged())
            throw;
    }
    Recreate();
}

SearchIndex::~SearchIndex() = default;

void SearchIndex::Open()
{
    FDatabase.reset();
    FDatabase = std::make_unique<SqliteDatabase>(FPath, kBusyMilliseconds);
    if (!RegisterFoldingTokenizer(FDatabase->Handle()) || !RegisterUnpackFunction(FDatabase->Handle()))
        throw Error("Suchindex: Die SQLite-Bibliothek bietet keine Volltextsuche (FTS5).");
    // Readers go on while another connection writes. The switch needs the
    // file alone and does not wait for a lock: when another connection
    // holds one, it is tried again; the mode, once set, stays with the file.
    for (int attempt = 0;; ++attempt) {
        try {
            FDatabase->Execute("PRAGMA journal_mode=WAL");
            break;
        } catch (const SqliteError& error) {
            if (!error.Busy() || attempt == 100)
                throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    FDatabase->Execute("PRAGMA synchronous=NORMAL");
}

// True when the file is this program's index of this store, in this
// version; a new, empty file gets its tables.
bool SearchIndex::Trustworthy()
{
    try {
        bool empty = false;
        {
            // Read and let go before writing: a read held while waiting for
            // the write lock would deadlock with another writer.
            SqliteStatement tables(*FDatabase, "SELECT count(*) FROM sqlite_master");
            empty = tables.Step() && tables.Integer(0) == 0;
        }
        if (empty)
            CreateSchema();
        SqliteStatement meta(*FDatabase, "SELECT key, value FROM meta");
        std::map<std::string, std::string> values;
        while (meta.Step())
            values[meta.Text(0)] = meta.Text(1);
        SqliteStatement(*FDatabase, "SELECT rowid FROM texts LIMIT 1").Run();
        return values["schema"] == kSchemaVersion && values["store"] == FStoreFolder;
    } catch (const SqliteError& error) {
        if (error.Busy())
            throw;
        return false;
    }
}

void SearchIndex::CreateSchema()
{
    InWriteTransaction(*FDatabase, [&] {
        FDatabase->Execute(kSchema);
        SqliteStatement insert(*FDatabase, "INSERT OR IGNORE INTO meta(key, value) VALUES (?1, ?2)");
        insert.Bind(1, std::string_view("schema")).Bind(2, std::string_view(kSchemaVersion)).Run();
        insert.Bind(1, std::string_view("store")).Bind(2, FStoreFolder).Run();
    });
}

void SearchIndex::Recreate()
{
    FDatabase.reset();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::error_code ignored;
        std::filesystem::remove(FPath + suffix, ignored);
    }
    Open();
    CreateSchema();
    FRebuilt = true;
}

IndexUpdate SearchIndex::Update(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                const IndexCallbacks& callbacks)
{
    try {
        return UpdateOnce(reader, folders, callbacks);
    } catch (const SqliteError& error) {
        if (!error.Damaged())
            throw;
    }
    Recreate();
    return UpdateOnce(reader, folders, callbacks);
}

IndexUpdate SearchIndex::UpdateOnce(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                    const IndexCallbacks& callbacks)
{
    IndexUpdate update;
    update.rebuilt = FRebuilt;
    FRebuilt = false;
    std::map<std::string, StoredFile> stored = StoredFiles(*FDatabase);
    std::vector<PendingFile> pending;
    std::size_t total = 0;
    for (const FolderFile& where : FolderFilesOf(folders)) {
        const auto stamp = reader.StampOf(where.file);
        const auto known = stored.find(where.file);
        if (stamp && known != stored.end() && known->second.stamp == *stamp && known->second.folder == where.folder) {
            ++update.filesUnchanged;
            stored.erase(known);
            continue;
        }
        try {
            if (!stamp)
                throw FileOpenError(where.file);
            StoreRecords records;
            reader.ReadStoreIndex(where.file, &records);
            total += records.Messages.size();
            pending.push_back({where, *stamp, std::move(records.Messages)});
            stored.erase(where.file);
        } catch (const Error& error) {
            update.unreadable.push_back(error.what());
        }
    }
    // What is left is gone from the store, or can no longer be read.
    for (const auto& [file, entry] : stored) {
        InWriteTransaction(*FDatabase, [&] { RemoveFileEntries(*FDatabase, file); });
        ++update.filesRemoved;
    }
    std::size_t done = 0;
    for (const PendingFile& file : pending) {
        if (callbacks.cancelled && callbacks.cancelled())
            break;
        try {
            InWriteTransaction(*FDatabase, [&] {
                RemoveFileEntries(*FDatabase, file.where.file);
                FileIndexer indexer(*FDatabase);
                for (const Toe5_MessageInfo& info : file.messages) {
                    std::string source;
                    try {
                        source = reader.ReadMessageSource(file.where.file, info.SourceOffset);
                    } catch (const Error&) {
                        // The record's texts are still worth finding.
                    }
                    indexer.Add(file.where.file, info, IndexedMessageOf(info, source, file.where.folder));
                    if (++done % kProgressStep == 0) {
                        if (callbacks.progress)
                            callbacks.progress(done, total);
                        if (callbacks.cancelled && callbacks.cancelled())
                            throw Cancelled{};
                    }
                }
                SqliteStatement(*FDatabase, "INSERT INTO files(name, size, modified, folder) VALUES (?1, ?2, ?3, ?4)")
                    .Bind(1, file.where.file)
                    .Bind(2, static_cast<std::int64_t>(file.stamp.size))
                    .Bind(3, file.stamp.modifiedNanoseconds)
                    .Bind(4, file.where.folder)
                    .Run();
            });
        } catch (const Cancelled&) {
            break;
        }
        ++update.filesRead;
        update.messagesIndexed += file.messages.size();
    }
    if (callbacks.progress)
        callbacks.progress(done, total);
    return update;
}

namespace {

// The search's SQL: what `columns` names, of the messages the query finds,
// newest first, at most ?4 of them.
std::string FindStatement(const SearchQuery& query, const std::string& columns)
{
    const std::string id = query.match.empty() ? "m.id" : "texts.rowid";
    std::string sql = "SELECT " + columns + " FROM " +
                      (query.match.empty() ? "messages m WHERE 1" : "texts JOIN messages m ON m.id = texts.rowid "
                                                                    "WHERE texts MATCH ?1");
    if (query.from)
        sql += " AND " + id + " >= ?2";
    if (query.until)
        sql += " AND " + id + " < ?3";
    return sql + " ORDER BY " + id + " DESC LIMIT ?4";
}

void BindQuery(SqliteStatement& statement, const SearchQuery& query, std::size_t limit)
{
    if (!query.match.empty())
        statement.Bind(1, query.match);
    if (query.from)
        statement.Bind(2, FirstIdOf(*query.from));
    if (query.until)
        statement.Bind(3, FirstIdOf(*query.until));
    statement.Bind(4, static_cast<std::int64_t>(std::min<std::size_t>(limit, std::numeric_limits<std::int32_t>::max())));
}

}  // namespace

std::vector<SearchHit> SearchIndex::Find(const std::string& text, std::size_t limit)
{
    const SearchQuery query = ParseSearchQuery(text, CurrentUtcOffsetSeconds());
    if (query.Empty())
        return {};
    std::vector<SearchHit> hits;
    std::vector<std::int64_t> ids;
    try {
        SqliteStatement select(*FDatabase, FindStatement(query, "m.id, m.file, m.folder, m.offset, m.date, "
                                                                "m.raw_sender, m.raw_recipient, m.raw_subject"));
        BindQuery(select, query, limit);
        while (select.Step()) {
            SearchHit hit;
            ids.push_back(select.Integer(0));
            hit.file = select.Text(1);
            hit.folder = select.Text(2);
            hit.info.SourceOffset = static_cast<std::int32_t>(select.Integer(3));
            hit.info.MessageDate = static_cast<std::uint64_t>(select.Integer(4));
            hit.info.SenderName = select.Text(5);
            hit.info.RecipientName = select.Text(6);
            hit.info.Subject = select.Text(7);
            hits.push_back(std::move(hit));
        }
        if (query.match.empty())
            return hits;
        // A snippet reads and splits the message's text again: the first
        // results get one, which is what a reader looks at.
        SqliteStatement snippets(*FDatabase, FindStatement(query, "texts.rowid, snippet(texts, -1, '', '', '…', 12)"));
        BindQuery(snippets, query, std::min(limit, kResultsWithSnippet));
        for (std::size_t i = 0; i < hits.size() && snippets.Step(); ++i) {
            if (snippets.Integer(0) == ids[i])
                hits[i].snippet = OneLine(snippets.Text(1));
        }
    } catch (const SqliteError& error) {
        if (error.Damaged() || error.Busy())
            throw;
        throw Error(std::string("Die Suche kann nicht ausgeführt werden: ") + error.what());
    }
    return hits;
}

std::size_t SearchIndex::MessageCount()
{
    SqliteStatement count(*FDatabase, "SELECT count(*) FROM messages");
    return count.Step() ? static_cast<std::size_t>(count.Integer(0)) : 0;
}

}  // namespace vellumine

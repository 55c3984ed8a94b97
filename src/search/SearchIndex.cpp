#include "search/SearchIndex.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <thread>

#include "migrate/MigrationLayout.h"
#include "platform/Sha256.h"
#include "search/FoldingTokenizer.h"
#include "search/IndexWriter.h"
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

struct PendingFile {
    FolderFile where;
    StoreFileStamp stamp;
    std::vector<Toe5_MessageInfo> messages;
};

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
    for (const auto& gone : stored) {
        const std::string& file = gone.first;
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

std::size_t SearchIndex::MessageCount()
{
    SqliteStatement count(*FDatabase, "SELECT count(*) FROM messages");
    return count.Step() ? static_cast<std::size_t>(count.Integer(0)) : 0;
}

}  // namespace vellumine

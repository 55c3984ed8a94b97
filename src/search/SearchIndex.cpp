#include "search/SearchIndex.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/Sha256.h"
#include "search/FoldingTokenizer.h"
#include "search/IndexFile.h"
#include "search/SqliteDatabase.h"
#include "search/TextPacking.h"

namespace vellumine {
namespace {

// Raised when the layout of the tables changes; an index of another
// version is rebuilt.
constexpr const char* kSchemaVersion = "3";
// A log under this share of the index file is left to the next connection.
constexpr std::uintmax_t kSmallLogShare = 16;
// A second window writing the same index is waited for this long.
constexpr int kBusyMilliseconds = 120000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS files(name TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL,
                                 folder TEXT NOT NULL, fingerprint INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS messages(id INTEGER PRIMARY KEY, file TEXT NOT NULL, record_offset INTEGER NOT NULL,
                                    offset INTEGER NOT NULL,
                                    date INTEGER NOT NULL, raw_sender BLOB, raw_recipient BLOB, raw_subject BLOB,
                                    folder TEXT, sender TEXT, recipients TEXT, subject TEXT, body BLOB,
                                    attachments TEXT);
-- What an update compares a folder file with, read without the rows' texts.
CREATE INDEX IF NOT EXISTS messages_by_file ON messages(file, record_offset, offset, date);
CREATE VIEW IF NOT EXISTS message_texts AS
  SELECT id, folder, sender, recipients, subject, vellumine_unpack(body) AS body, attachments FROM messages;
CREATE VIRTUAL TABLE IF NOT EXISTS texts USING fts5(folder, sender, recipients, subject, body, attachments,
  content='message_texts', content_rowid='id', tokenize='vellumine');
)sql";

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

SearchIndex::SearchIndex(const std::string& indexPath, const std::string& storeFolder) : FStoreFolder(storeFolder)
{
    IndexFileChoice choice = ChooseIndexFile(indexPath);
    FPath = std::move(choice.path);
    FNotice = std::move(choice.notice);
    OpenTrusted();
}

// Opens the file and keeps it when it is this store's index, else makes it
// anew; under the rebuild lock, so that a second process that finds it
// damaged too waits and then takes the first one's index.
void SearchIndex::OpenTrusted()
{
    const IndexRebuildLock lock(FPath);
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

// SQLite copies the write-ahead log into the file when the last connection
// closes: on a large index that rewrote and synced some 450 pages to add
// 100 messages, nearly a third of the update. While the log is small
// against the file it is left for the next connection, which goes on
// writing to it; SQLite copies it over on its own once it holds 1,000
// pages. A log as large as the file (a new index) is copied at once, so
// that the index lives in its own file.
SearchIndex::~SearchIndex()
{
    if (!FDatabase)
        return;
    std::error_code noFile;
    const std::uintmax_t log = std::filesystem::file_size(FPath + "-wal", noFile);
    if (noFile)
        return;
    const std::uintmax_t file = std::filesystem::file_size(FPath, noFile);
    if (!noFile && log < file / kSmallLogShare)
        FDatabase->KeepLogOnClose();
}

void SearchIndex::Open()
{
    FDatabase.reset();
    MakeIndexFilePrivate(FPath);
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
    OpenTrusted();
    return UpdateOnce(reader, folders, callbacks);
}

std::size_t SearchIndex::MessageCount()
{
    SqliteStatement count(*FDatabase, "SELECT count(*) FROM messages");
    return count.Step() ? static_cast<std::size_t>(count.Integer(0)) : 0;
}

}  // namespace vellumine

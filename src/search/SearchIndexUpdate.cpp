// Bringing the search index up to date with the store, message by message:
// what a folder file holds is compared with what the index has of it by
// the records' offsets and dates, and only the difference is written.

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "search/IndexWriter.h"
#include "search/MessageIds.h"
#include "search/SearchIndex.h"
#include "search/SqliteDatabase.h"
#include "store/FolderPaths.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// Progress is reported, and cancelling asked, after this many messages.
constexpr std::size_t kProgressStep = 256;

struct Cancelled {};

struct FolderFile {
    std::string file;
    std::string folder;
};

// Each folder file once, named by the first folder that has it.
std::vector<FolderFile> FolderFilesOf(const std::vector<Toe5_FolderInfo>& folders)
{
    std::vector<FolderFile> files;
    std::set<std::string> known;
    for (const FolderPath& folder : FolderPathsOf(folders)) {
        const std::string& file = folders[folder.folderIndex].FileName;
        if (!file.empty() && known.insert(file).second)
            files.push_back({file, folder.path});
    }
    return files;
}

// What the index knows of a folder file.
struct StoredFile {
    StoreFileStamp stamp;
    std::string folder;
    std::int64_t fingerprint = 0;
    bool operator==(const StoredFile&) const = default;
};

std::optional<StoredFile> StoredFileOf(SqliteStatement& select, int first)
{
    return StoredFile{{static_cast<std::uint64_t>(select.Integer(first)), select.Integer(first + 1)},
                      select.Text(first + 2), select.Integer(first + 3)};
}

std::map<std::string, StoredFile> StoredFiles(SqliteDatabase& database)
{
    std::map<std::string, StoredFile> files;
    SqliteStatement select(database, "SELECT name, size, modified, folder, fingerprint FROM files");
    while (select.Step())
        files[select.Text(0)] = *StoredFileOf(select, 1);
    return files;
}

std::optional<StoredFile> StoredFileNamed(SqliteDatabase& database, const std::string& file)
{
    SqliteStatement select(database, "SELECT size, modified, folder, fingerprint FROM files WHERE name = ?1");
    select.Bind(1, file);
    return select.Step() ? StoredFileOf(select, 0) : std::nullopt;
}

// A cheap summary of where a file's records and sources lie, and of their
// dates, built up place by place in the order the file's index names them:
// a file the mail program only touched (read flags, a compaction that
// moved nothing) keeps it; one whose records were written anew over the
// old places mostly does not. An index written by an earlier version holds
// a summary made another way, which matches nothing: its file is compared
// message by message once and then gets the summary of today.
class PlaceHash {
public:
    void Mix(const MessagePlace& place)
    {
        MixWord(place.RecordOffset);
        MixWord(static_cast<std::uint32_t>(place.SourceOffset));
        MixWord(place.MessageDate);
    }
    std::int64_t Value() const { return static_cast<std::int64_t>(FHash); }

private:
    void MixWord(std::uint64_t value)
    {
        for (int i = 0; i < 8; ++i, value >>= 8)
            FHash = (FHash ^ (value & 0xFF)) * 1099511628211ull;
    }
    std::uint64_t FHash = 14695981039346656037ull;
};

struct PlacesSummary {
    std::int64_t fingerprint = 0;
    // The length of the file's first places whose summary is the one the
    // index has: mail added to a folder is named after the mail it had.
    std::optional<std::size_t> keptPrefix;
};

PlacesSummary SummaryOf(const std::vector<MessagePlace>& places, std::optional<std::int64_t> indexed)
{
    PlacesSummary summary;
    PlaceHash hash;
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (!summary.keptPrefix && indexed && hash.Value() == *indexed)
            summary.keptPrefix = i;
        hash.Mix(places[i]);
    }
    summary.fingerprint = hash.Value();
    return summary;
}

// A message of the index is the message of a record while the record, its
// source and its date are where they were.
using MessageKey = std::tuple<std::uint32_t, std::int32_t, std::uint64_t>;

MessageKey KeyOf(const MessagePlace& info)
{
    return {info.RecordOffset, static_cast<std::int32_t>(info.SourceOffset), static_cast<std::uint64_t>(StoredDate(info.MessageDate))};
}

struct FileChanges {
    std::vector<MessagePlace> added;
    std::vector<std::int64_t> removed;  // ids
};

// Both sides sorted by key and walked side by side: a folder file of
// 100,000 messages is compared in a few milliseconds.
FileChanges ChangesOf(SqliteDatabase& database, const std::string& file, const std::vector<MessagePlace>& records)
{
    std::vector<std::pair<MessageKey, std::int64_t>> indexed;
    SqliteStatement select(database, "SELECT id, record_offset, offset, date FROM messages WHERE file = ?1 "
                                     "ORDER BY record_offset, offset, date");
    select.Bind(1, file);
    while (select.Step())
        indexed.push_back({{static_cast<std::uint32_t>(select.Integer(1)), static_cast<std::int32_t>(select.Integer(2)),
                            static_cast<std::uint64_t>(select.Integer(3))},
                           select.Integer(0)});
    std::vector<std::pair<MessageKey, std::size_t>> present;  // key, index into records
    present.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        present.push_back({KeyOf(records[i]), i});
    std::sort(present.begin(), present.end());
    FileChanges changes;
    std::vector<std::size_t> added;
    std::size_t at = 0;
    for (std::size_t i = 0; i < present.size(); ++i) {
        const MessageKey& key = present[i].first;
        if (i > 0 && present[i - 1].first == key)
            continue;  // a second record of the same message
        for (; at < indexed.size() && indexed[at].first < key; ++at)
            changes.removed.push_back(indexed[at].second);
        if (at < indexed.size() && indexed[at].first == key) {
            ++at;
            // One message indexed twice: once is enough.
            for (; at < indexed.size() && indexed[at].first == key; ++at)
                changes.removed.push_back(indexed[at].second);
        } else {
            added.push_back(present[i].second);
        }
    }
    for (; at < indexed.size(); ++at)
        changes.removed.push_back(indexed[at].second);
    std::sort(added.begin(), added.end());  // in the file's order
    for (const std::size_t index : added)
        changes.added.push_back(records[index]);
    return changes;
}

// The changes when the first `kept` places are those the index was made
// from: nothing went, and what follows is new, but for a record the file's
// index names a second time.
FileChanges AppendedChanges(const std::vector<MessagePlace>& places, std::size_t kept)
{
    std::vector<std::pair<std::uint32_t, std::size_t>> later;  // record offset, place
    later.reserve(places.size() - kept);
    for (std::size_t i = kept; i < places.size(); ++i)
        later.push_back({places[i].RecordOffset, i});
    std::sort(later.begin(), later.end());
    std::vector<bool> take(places.size() - kept, false);
    for (std::size_t j = 0; j < later.size(); ++j)
        take[later[j].second - kept] = j == 0 || later[j].first != later[j - 1].first;
    for (std::size_t i = 0; i < kept; ++i) {
        auto same = std::lower_bound(later.begin(), later.end(), std::pair{places[i].RecordOffset, std::size_t{0}});
        for (; same != later.end() && same->first == places[i].RecordOffset; ++same)
            take[same->second - kept] = false;
    }
    FileChanges changes;
    for (std::size_t i = kept; i < places.size(); ++i)
        if (take[i - kept])
            changes.added.push_back(places[i]);
    return changes;
}

struct PendingFile {
    FolderFile where;
    StoreFileStamp stamp;
    std::int64_t fingerprint = 0;
    std::vector<MessagePlace> places;
    // All records, read with their sources' chains, for a file indexed
    // whole; otherwise the few added records are read when written.
    std::optional<std::vector<Toe5_MessageInfo>> records;
    std::optional<StoredFile> seen;  // what the index had when the changes were taken
    FileChanges changes;
};

std::vector<MessagePlace> PlacesOf(StoreReader& reader, const std::string& file)
{
    std::vector<MessagePlace> places;
    reader.ReadMessagePlaces(file, [&](const MessagePlace& place) { places.push_back(place); });
    return places;
}

// The added places whose source an earlier record of the file names too
// are left out: as in a whole read, a shared source is one message's.
// Only the added places' sources are looked up, so that adding a few
// messages to a large folder costs one pass over its places.
std::vector<std::uint32_t> AddedRecordOffsets(const PendingFile& file)
{
    constexpr std::uint64_t kNoOwner = ~std::uint64_t{0};
    std::vector<std::pair<std::uint32_t, std::uint64_t>> owners;  // source offset, the first record naming it
    for (const MessagePlace& place : file.changes.added)
        if (place.SourceOffset != 0)
            owners.push_back({place.SourceOffset, kNoOwner});
    std::sort(owners.begin(), owners.end());
    owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    const auto ownerOf = [&owners](std::uint32_t source) {
        const auto found = std::lower_bound(owners.begin(), owners.end(), std::pair{source, std::uint64_t{0}});
        return found != owners.end() && found->first == source ? &found->second : nullptr;
    };
    for (const MessagePlace& place : file.places)
        if (place.SourceOffset != 0)
            if (std::uint64_t* owner = ownerOf(place.SourceOffset); owner && *owner == kNoOwner)
                *owner = place.RecordOffset;
    std::vector<std::uint32_t> offsets;
    for (const MessagePlace& place : file.changes.added)
        if (place.SourceOffset == 0 || *ownerOf(place.SourceOffset) == place.RecordOffset)
            offsets.push_back(place.RecordOffset);
    return offsets;
}

// The records of the messages to add, in the file's order; those of a
// file read whole are taken over, not copied (a large folder's records
// are tens of megabytes).
std::vector<Toe5_MessageInfo> AddedRecords(StoreReader& reader, PendingFile& file)
{
    std::vector<Toe5_MessageInfo> added;
    if (file.records) {
        std::map<std::uint32_t, Toe5_MessageInfo*> byOffset;
        for (Toe5_MessageInfo& info : *file.records)
            byOffset[info.RecordOffset] = &info;
        added.reserve(file.changes.added.size());
        for (const MessagePlace& place : file.changes.added)
            if (const auto found = byOffset.find(place.RecordOffset); found != byOffset.end() && found->second) {
                added.push_back(std::move(*found->second));
                found->second = nullptr;  // a record is added once
            }
        file.records.reset();
        return added;
    }
    reader.ReadMessageRecordsAt(file.where.file, AddedRecordOffsets(file),
                                [&](Toe5_MessageInfo&& info) { added.push_back(std::move(info)); });
    return added;
}

// An update of a few messages leaves the full-text table's merging of its
// segments to later: done at once it rewrote about 800 pages (a third of
// the time) to add 100 messages to the benchmark store's large folder. The
// small segments such updates leave are merged when 16 lie side by side,
// or as a larger write goes on with merging at its usual pace.
constexpr std::size_t kFewMessages = 1024;

void SetMergingFor(SqliteDatabase& database, std::size_t messagesAdded)
{
    SqliteStatement(database, "INSERT INTO texts(texts, rank) VALUES ('automerge', ?1)")
        .Bind(1, std::int64_t{messagesAdded < kFewMessages ? 0 : 4})
        .Run();
}

void WriteFileEntry(SqliteDatabase& database, const PendingFile& file)
{
    SqliteStatement(database, "INSERT OR REPLACE INTO files(name, size, modified, folder, fingerprint) "
                              "VALUES (?1, ?2, ?3, ?4, ?5)")
        .Bind(1, file.where.file)
        .Bind(2, static_cast<std::int64_t>(file.stamp.size))
        .Bind(3, file.stamp.modifiedNanoseconds)
        .Bind(4, file.where.folder)
        .Bind(5, file.fingerprint)
        .Run();
}

}  // namespace

IndexUpdate SearchIndex::UpdateOnce(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                    const IndexCallbacks& callbacks)
{
    IndexUpdate update;
    update.rebuilt = FRebuilt;
    FRebuilt = false;
    update.notice = std::move(FNotice);
    FNotice.clear();
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
            PendingFile file{where, *stamp};
            file.places = PlacesOf(reader, where.file);
            if (known != stored.end()) {
                file.seen = known->second;
                stored.erase(known);
            }
            const bool moved = file.seen && file.seen->folder != where.folder;  // all are written anew
            const PlacesSummary summary =
                SummaryOf(file.places, file.seen && !moved ? std::optional{file.seen->fingerprint} : std::nullopt);
            file.fingerprint = summary.fingerprint;
            if (file.seen && !moved && file.seen->fingerprint == file.fingerprint) {
                // Only its time or size changed: the new stamp spares the next read.
                InWriteTransaction(*FDatabase, [&] { WriteFileEntry(*FDatabase, file); });
                ++update.filesUnchanged;
                continue;
            }
            file.changes = summary.keptPrefix ? AppendedChanges(file.places, *summary.keptPrefix)
                                              : ChangesOf(*FDatabase, where.file, file.places);
            if (!file.seen || moved) {
                StoreRecords records;
                reader.ReadStoreIndex(where.file, &records);
                file.records = std::move(records.Messages);
            }
            total += moved ? file.places.size() : file.changes.added.size();
            pending.push_back(std::move(file));
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
    for (PendingFile& file : pending) {
        if (callbacks.cancelled && callbacks.cancelled())
            break;
        std::size_t indexed = 0;
        try {
            InWriteTransaction(*FDatabase, [&] {
                // Another process may have written this file meanwhile.
                if (StoredFileNamed(*FDatabase, file.where.file) != file.seen)
                    file.changes = ChangesOf(*FDatabase, file.where.file, file.places);
                if (file.seen && file.seen->folder != file.where.folder) {
                    // Every message carries its folder's path: all are written anew.
                    RemoveFileEntries(*FDatabase, file.where.file);
                    file.changes = ChangesOf(*FDatabase, file.where.file, file.places);
                }
                for (const std::int64_t id : file.changes.removed)
                    RemoveMessageEntry(*FDatabase, id);
                SetMergingFor(*FDatabase, file.changes.added.size());
                FileIndexer indexer(*FDatabase);
                for (const Toe5_MessageInfo& info : AddedRecords(reader, file)) {
                    std::string source;
                    try {
                        source = reader.ReadMessageSource(file.where.file, info.SourceOffset);
                    } catch (const Error&) {
                        // The record's texts are still worth finding.
                    }
                    indexer.Add(file.where.file, info, IndexedMessageOf(info, source, file.where.folder));
                    ++indexed;
                    if (++done % kProgressStep == 0) {
                        if (callbacks.progress)
                            callbacks.progress(done, total);
                        if (callbacks.cancelled && callbacks.cancelled())
                            throw Cancelled{};
                    }
                }
                indexer.Finish();
                WriteFileEntry(*FDatabase, file);
            });
        } catch (const Cancelled&) {
            break;
        }
        ++update.filesRead;
        update.messagesIndexed += indexed;
        update.messagesRemoved += file.changes.removed.size();
    }
    if (callbacks.progress)
        callbacks.progress(done, total);
    return update;
}

}  // namespace vellumine

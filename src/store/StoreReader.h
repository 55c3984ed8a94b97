#pragma once
// The store reader: opens store files where the StoreLocation says, reads
// their record index and their message sources. One read runs at a time;
// the reader keeps the header values of the file it read last.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "store/StoreFormat.h"
#include "store/StoreRecords.h"
#include "store/StoreRoot.h"

namespace vellumine {

class BlockClaims;
class StoreFile;
class WorkBudget;

struct StoreFileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool operator==(const StoreFileStamp&) const = default;
};

// What tells that a store file changed or was replaced during a run.
struct StoreFileState {
    StoreFileStamp stamp;
    std::uint64_t inode = 0;
    bool operator==(const StoreFileState&) const = default;
};

// "Der Quelltext der Nachricht an Position … ist nicht vollständig lesbar".
Error SourceUnreadableError(std::uint32_t offset);

// The German sentence that says a read of a folder file was not clean:
// how many of its messages can be read.
std::string DamageSentence(const StoreReadReport& report);

class StoreReader {
public:
    explicit StoreReader(std::shared_ptr<const StoreLocation> location);

    // Appends the records of the store file `fileName` to `list`: folder
    // records for "folders.dbx", message records for any other name. Does
    // nothing when `list` is null. Raises "Datei %s kann nicht geöffnet
    // werden" when the file cannot be opened; nothing is appended then.
    // `report`, when given, receives what the read passed over and why.
    void ReadStoreIndex(const std::string& fileName, StoreRecords* list, StoreReadReport* report = nullptr);

    // The same for a folder file, each message record handed to `onMessage`
    // as it is read instead of being kept: a large folder is listed without
    // holding all its records.
    void ReadMessageRecords(const std::string& fileName, const std::function<void(Toe5_MessageInfo&&)>& onMessage,
                            StoreReadReport* report = nullptr);

    // Where each message record of a folder file lies, with its source
    // offset and date, in index order: a walk that reads only those few
    // values of each record and follows no source, for telling quickly
    // whether a folder file still holds what it held.
    void ReadMessagePlaces(const std::string& fileName, const std::function<void(const MessagePlace&)>& onPlace,
                           StoreReadReport* report = nullptr);

    // The message records at `recordOffsets` (from the index walk of the
    // same file), each handed to `onMessage`; an offset whose record no
    // longer reads is passed over. Raises the open error as above.
    void ReadMessageRecordsAt(const std::string& fileName, const std::vector<std::uint32_t>& recordOffsets,
                              const std::function<void(Toe5_MessageInfo&&)>& onMessage);

    // The source bytes of the message whose first block lies at `offset`.
    // Raises an Error with the German text when the offset is 0 (the record
    // names no source) or the chain does not read whole: a message is never
    // handed on cut short. `displacement`: what the blocks' own-offset
    // fields hold beyond their position (0 for every chain an index names).
    std::string ReadMessageSource(const std::string& fileName, std::uint32_t offset, std::int64_t displacement = 0);

    // The source of `message`, read as its record says or, for a message a
    // rescue scan found, as the scan found its chain. Raises as above.
    std::string ReadMessageSource(const std::string& fileName, const Toe5_MessageInfo& message);

    // At most the first `maxBytes` of the source at `offset`, as far as its
    // chain reads: for a look at a message's header without reading all of
    // a large message. Raises as ReadMessageSource when the offset is 0.
    std::string ReadMessageSourceStart(const std::string& fileName, std::uint32_t offset, std::size_t maxBytes);

    // The index read a rescue begins with: each message record with the
    // length of its source, every block of the sources claimed in `claims`.
    void ReadIndexedMessages(const std::string& fileName, BlockClaims& claims,
                             const std::function<void(Toe5_MessageInfo&&, std::uint64_t sourceLength)>& onMessage,
                             StoreReadReport* report);

    // The store file `fileName` opened for a pass of its own (a rescue
    // scan). Raises "Datei %s kann nicht geöffnet werden".
    std::unique_ptr<StoreFile> OpenForReading(const std::string& fileName);

    // The folder records of "folders.dbx". A store folder without that file
    // but with folder files still opens: each folder file becomes a folder
    // named after its file. Raises the open error of "folders.dbx" when
    // there is neither.
    std::vector<Toe5_FolderInfo> ReadStoreFolders();

    // The size of the store file `fileName`; 0 when it cannot be found.
    std::uint64_t StoreFileSize(const std::string& fileName) const;

    // Size and modification time of the store file `fileName`, to tell
    // whether it changed; none when it cannot be found.
    std::optional<StoreFileStamp> StampOf(const std::string& fileName) const;
    // The same with the file's inode; none when it cannot be found.
    std::optional<StoreFileState> StateOf(const std::string& fileName) const;

    // The store's folder as an absolute path, the same however it was
    // named; empty when no store folder is known.
    std::string StoreFolderPath() const;

    const Toe5_FileHeader& FileHeader() const { return FHeader; }

private:
    // The path of the store file `fileName`; raises "Datei %s kann nicht
    // geöffnet werden" when no store folder is known or the name is no
    // plain file name.
    std::string PathToOpen(const std::string& fileName) const;
    std::unique_ptr<StoreFile> OpenStoreFile(const std::string& fileName, std::size_t windowSize);
    void ReadItemCount(StoreFile& file);
    // Walks the index of `fileName`, handing each record's offset on.
    void WalkRecords(const std::string& fileName, StoreReadReport* report,
                     const std::function<void(StoreFile&, std::uint32_t, WorkBudget&)>& onRecord);

    // The folder file that served the last message source, kept open and
    // mapped for the next: a batch over a folder reads one source after
    // another. Used again only while the name leads to the same file with
    // the same size and modification time.
    StoreFile& SourceFile(const std::string& fileName);

    std::shared_ptr<const StoreLocation> FLocation;
    Toe5_FileHeader FHeader;
    std::shared_ptr<StoreFile> FSourceFile;  // shared: StoreFile is incomplete here
    std::string FSourcePath;
    StoreFileStamp FSourceStamp;
    std::uint64_t FSourceInode = 0;
};

}  // namespace vellumine

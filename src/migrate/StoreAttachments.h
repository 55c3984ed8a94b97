#pragma once
// The attachments of a whole store (or of one of its folders) taken out
// into a folder tree that mirrors the store's folders, named as in the .eml
// tree of a migration. Each file is named date first ("2003-12-24 1405
// Rechnung.pdf"); each distinct content is written once (by its SHA-256),
// later copies only point at the first; and the listing attachments.json
// names every message read and the files of its attachments.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mime/MessageAttachments.h"
#include "migrate/MigrationLayout.h"
#include "output/OutputFileName.h"
#include "store/StoreRecords.h"

namespace vellumine {

class StoreReader;

// A type a user asks for: "image/png" or "image/*", any case.
struct AttachmentTypePattern {
    std::string type;     // lower case
    std::string subtype;  // lower case; "*" for any
};

// None when `text` is no `type/subtype` or `type/*` (RFC 2045 tokens).
std::optional<AttachmentTypePattern> ParseAttachmentTypePattern(std::string_view text);

struct AttachmentSelection {
    std::optional<AttachmentTypePattern> type;  // none: every type
    std::uint64_t minSize = 0;                  // decoded bytes

    bool Takes(const TAttachment& attachment) const;
};

// One attachment as the listing names it.
struct TakenAttachment {
    std::string name;  // the decoded name (or its stand-in), UTF-8
    std::string contentType;
    std::size_t size = 0;
    std::string sha256;
    std::string path;        // relative to the output folder, "/" between names
    bool duplicate = false;  // path is the file written earlier with the same bytes
};

// "2003-12-24 1405": the store's date of the message, else its Date
// header's, in local time; empty when it has neither.
std::string AttachmentDatePrefix(std::uint64_t storeDate, std::string_view source);

// Writes attachments under date-first names into the folders of one run,
// each distinct content once. Nothing existing is replaced: a name that is
// taken (by this run or an earlier one) gets "_0", "_1", ...
class AttachmentWriter {
public:
    explicit AttachmentWriter(std::string outputFolder) : FOutputFolder(std::move(outputFolder)) {}

    // The selected attachments of one message into `relativeFolder` (below
    // the output folder, made when the first file goes into it), each
    // appended to `taken` once written or recorded. Raises FileNotCreated or
    // Error when a file or folder cannot be written; `taken` then holds what
    // was done before.
    void Take(const std::vector<TAttachment>& attachments, const AttachmentSelection& selection,
              const std::string& relativeFolder, const std::string& datePrefix, std::vector<TakenAttachment>& taken);

    std::size_t FilesWritten() const { return FFilesWritten; }
    std::size_t DuplicatesRecorded() const { return FDuplicates; }

private:
    std::string PreparedFolder(const std::string& relativeFolder);

    std::string FOutputFolder;
    UniqueFileNamer FNames;
    std::unordered_map<std::string, std::string> FPathOfContent;  // SHA-256 → relative path
    std::unordered_map<std::string, std::string> FPreparedFolders;
    std::size_t FFilesWritten = 0;
    std::size_t FDuplicates = 0;
};

struct StoreAttachmentOptions {
    std::string outputFolder;
    AttachmentSelection selection;
    // The folders to read, as indexes into the store's folder records;
    // empty: every folder that has a folder file.
    std::vector<std::size_t> onlyFolders;
};

struct StoreAttachmentCallbacks {
    // After each message: the folder's store path, its messages done and
    // all, and the same for the whole run.
    std::function<void(const std::string& folder, std::size_t done, std::size_t total, std::size_t allDone,
                       std::size_t allTotal)>
        progress;
    // Each German sentence about something passed over: a folder file that
    // cannot be read or is damaged, a message that failed.
    std::function<void(const std::string& sentence)> problem;
};

struct StoreAttachmentResult {
    std::string listingPath;  // attachments.json (or attachments_0.json, ...)
    std::size_t messagesRead = 0;
    std::size_t messagesFailed = 0;
    std::size_t messagesWithAttachments = 0;
    std::size_t filesWritten = 0;
    std::size_t duplicatesRecorded = 0;
    std::size_t foldersUnreadable = 0;  // folder files that could not be read, or not cleanly
    std::string changedFile;            // a folder file that changed during the run (which ended it)

    bool Complete() const { return messagesFailed == 0 && foldersUnreadable == 0 && changedFile.empty(); }
};

// The run over the chosen folders, each message through the shared batch
// loop (one that fails fails alone). Raises Error only when the output
// folder or the listing cannot be made.
StoreAttachmentResult TakeStoreAttachments(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                           const StoreAttachmentOptions& options,
                                           const StoreAttachmentCallbacks& callbacks);

// The planned folders of the store tree whose store path ("Lokale
// Ordner/Posteingang") or own name is `name`; several when a name is not
// unique.
std::vector<MigrationFolder> FoldersNamed(const std::vector<Toe5_FolderInfo>& folders, const std::string& name);

}  // namespace vellumine

#pragma once
// A whole store taken to mbox, Maildir or an .eml tree: every folder in
// tree order, every message byte for byte, then the output read back and
// compared with the store (count and SHA-256 of every message per folder).
// Nothing is ever written into the store.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "migrate/MigrationLayout.h"
#include "store/FolderRescue.h"

namespace vellumine {

class StoreReader;

struct MigrationOptions {
    MigrationFormat format = MigrationFormat::Mboxrd;
    std::string outputFolder;
    // Goes on in a non-empty output folder: messages already written there
    // (the same bytes) are not written again.
    bool resume = false;
    std::string hostName = "localhost";  // for Maildir file names
    // The time of messages that have neither a store date nor a readable
    // Date header (Unix seconds); 0: the time the run starts.
    std::int64_t runTime = 0;
    // Also the messages a scan of each folder file finds beside its index,
    // into the folder's sub-folder kRescuedFolderName; fragments stay out.
    bool salvage = false;
};

struct MigrationCallbacks {
    // After each message: the folder, its messages handled and in all, and
    // the same for the whole store.
    std::function<void(const std::string& folder, std::size_t folderDone, std::size_t folderTotal,
                       std::size_t allDone, std::size_t allTotal)>
        progress;
    std::function<bool()> cancelled;  // true ends the run after the current message
};

struct FolderMigration {
    std::int32_t storeId = -1;  // the folder's id in folders.dbx
    std::string folder;  // the store's path of names, UTF-8
    std::string output;  // the path in the output folder
    std::size_t inStore = 0;      // message records of the folder
    std::size_t written = 0;      // written by this run
    std::size_t alreadyThere = 0; // found written by an earlier run (resume)
    std::size_t unreadable = 0;   // sources that could not be read: skipped
    std::size_t verified = 0;     // found in the output with the store's bytes
    bool damaged = false;         // the folder file's read passed over something
    std::vector<std::string> problems;  // what differs or failed, one sentence each
    std::vector<std::string> repairs;   // what a resumed run put right, one sentence each
    bool placedAtDepthBound = false;    // lay deeper in the store than the output's levels
    bool rescued = false;               // holds what the scan found beside the parent's index
    std::optional<RescueReport> rescue; // with salvage: what the scan of the folder file found
};

struct MigrationResult {
    std::vector<FolderMigration> folders;
    bool cancelled = false;
    // Why the run stopped before its end (a full disk); empty when it did not.
    std::string stopped;
    // True when every readable message of the store is in the output with
    // its bytes, nothing else is there, and no message was unreadable.
    bool Complete() const;
};

// Raises the German error when the output folder is not empty and resume
// is off, or when the folder list cannot be read.
MigrationResult MigrateStore(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                             const MigrationOptions& options, const MigrationCallbacks& callbacks = {});

// The per-folder table as text for a terminal (control characters in names
// and sentences shown as "?"), and the report as JSON (texts as they are).
std::string MigrationTable(const MigrationResult& result);
std::string MigrationReportJson(const MigrationResult& result, const MigrationOptions& options);

// Writes the report as migration-report.json beside the output folder, or
// inside it when its parent takes no file (an existing report is not
// replaced: the next free name is taken) and returns its path.
std::string WriteMigrationReport(const MigrationResult& result, const MigrationOptions& options);

// The number of messages verified in the output.
std::size_t VerifiedMessages(const MigrationResult& result);

// This machine's name as Maildir file names carry it ("/", ":" and "."
// replaced, as they mean something there).
std::string MaildirHostName();

// The name of a format as the command line takes it ("mboxrd", "thunderbird",
// "maildir", "eml"), and the format of such a name.
std::string FormatName(MigrationFormat format);
std::optional<MigrationFormat> FormatNamed(std::string_view name);

}  // namespace vellumine

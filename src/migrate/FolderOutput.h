#pragma once
// One store folder's output in a migration format: written message by
// message, read back afterwards so that the migration can compare what
// landed with what the store holds, and put right on a resumed run.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "migrate/MigrationLayout.h"

namespace vellumine {

class UniqueFileNamer;

// A write the target refused. It is no Error of the message (the batch
// walk would count it as a message that cannot be read): it ends the
// folder, and a full disk ends the run.
class OutputWriteError : public std::exception {
public:
    OutputWriteError(std::string text, bool diskFull) : FText(std::move(text)), FDiskFull(diskFull) {}
    const char* what() const noexcept override { return FText.c_str(); }
    bool DiskFull() const { return FDiskFull; }

private:
    std::string FText;
    bool FDiskFull;
};

// The error for a write to `path` that failed with `error` (an errno value).
OutputWriteError WriteErrorOf(const std::string& path, int error);

class FolderOutput {
public:
    virtual ~FolderOutput() = default;
    // Writes one message, byte for byte as the format allows, with its time.
    virtual void Write(const std::string& source, const Toe5_MessageInfo& info, std::uint64_t fileTime) = 0;
    // Makes everything written so far durable.
    virtual void Close() = 0;
    // Hands every message the output holds to `each`, as its bytes, with
    // where it stands (a file, or the mbox file and the message's number).
    // Files that cannot be read as messages (links, odd files) go to `odd`.
    using Each = std::function<void(std::string_view message, const std::string& where)>;
    virtual void ReadBack(const Each& each, const std::function<void(const std::string& where)>& odd) const = 0;
    // On a resumed run: removes what an interrupted run left half done (a
    // message cut off at the end of an mbox file, unfinished temporary
    // files, empty files holding no message of the store) and says what it
    // removed, one sentence each. `storeDigests` are the SHA-256 digests
    // of the folder's messages.
    virtual std::vector<std::string> Repair(const std::set<std::string>& storeDigests) = 0;
};

// Creates what the folder needs (mbox file and "Name.sbd/" folders, Maildir++
// folders with cur/ new/ tmp/, the .eml folder) without touching anything
// that is there already. `hostName` goes into Maildir file names.
std::unique_ptr<FolderOutput> OpenFolderOutput(MigrationFormat format, const std::string& path,
                                               UniqueFileNamer& names, const std::string& hostName);

// The Maildir++ root (INBOX) with cur/ new/ tmp/, so that the output is a
// mail folder a server opens as it is.
void PrepareMigrationRoot(MigrationFormat format, const std::string& outputFolder);

// Raises the German error naming the first symbolic link on the way from
// `outputFolder` to `path` (inside it), or at `path` itself, so that a
// resumed run never writes where a link points.
void RefuseLinksBelow(const std::string& outputFolder, const std::string& path);

// Seconds since 1970 for a FILETIME; 0 for anything earlier.
std::int64_t UnixTimeOf(std::uint64_t fileTime);

// "2003-12-24 1405" in local time, as the message list shows dates; empty
// for a message without date.
std::string EmlDatePrefix(std::uint64_t fileTime);

}  // namespace vellumine

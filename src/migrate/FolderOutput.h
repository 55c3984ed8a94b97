#pragma once
// One store folder's output in a migration format: written message by
// message, and read back afterwards so that the migration can compare what
// landed with what the store holds.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "migrate/MigrationLayout.h"

namespace vellumine {

class UniqueFileNamer;

class FolderOutput {
public:
    virtual ~FolderOutput() = default;
    // Writes one message, byte for byte as the format allows.
    virtual void Write(const std::string& source, const Toe5_MessageInfo& info) = 0;
    // Makes everything written so far durable; raises the create error when
    // the file system refused it.
    virtual void Close() = 0;
    // Hands every message the output holds to `each`, as its bytes.
    virtual void ReadBack(const std::function<void(std::string_view message)>& each) const = 0;
};

// Creates what the folder needs (mbox file and "Name.sbd/" folders, Maildir++
// folders with cur/ new/ tmp/, the .eml folder) without touching anything
// that is there already. `hostName` goes into Maildir file names.
std::unique_ptr<FolderOutput> OpenFolderOutput(MigrationFormat format, const std::string& path,
                                               UniqueFileNamer& names, const std::string& hostName);

// The Maildir++ root (INBOX) with cur/ new/ tmp/, so that the output is a
// mail folder a server opens as it is.
void PrepareMigrationRoot(MigrationFormat format, const std::string& outputFolder);

// Seconds since 1970 for a FILETIME; 0 for anything earlier.
std::int64_t UnixTimeOf(std::uint64_t fileTime);

// "2003-12-24 1405" in local time, as the message list shows dates; empty
// for a message without date.
std::string EmlDatePrefix(std::uint64_t fileTime);

}  // namespace vellumine

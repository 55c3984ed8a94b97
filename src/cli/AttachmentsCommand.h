#pragma once
// `attachments`: the files a message carries, or all of a store's.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/CliContext.h"

namespace vellumine::cli {

struct StoreAttachmentsRequest {
    std::string outputFolder;
    std::optional<std::string> folder;   // --folder: one folder, by its path or its name
    std::optional<std::string> type;     // --type image/* or image/png
    std::optional<std::string> minSize;  // --min-size: decoded bytes
};

// `attachments --all OUTDIR`: every message's attachments into a folder
// tree like the store's, each content once, with attachments.json; a
// progress line on a terminal. Returns the exit status: 1 when a message
// failed, a folder file could not be read cleanly or changed during the
// run. Raises UsageError for a --type, --min-size or --folder it cannot
// take, before anything is written.
int TakeStoreAttachmentsCommand(const CliOptions& options, const StoreAttachmentsRequest& request);

}  // namespace vellumine::cli

#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "output/ExportMessage.h"

namespace vellumine {
class FolderRescue;
}

namespace vellumine::cli {

struct PageOptions {
    bool withDesign = true;
    std::optional<std::string> templateName;  // none: the last template in name order
    std::optional<std::string> fields;   // "von,an,datum,betreff"; none: all four
    bool rawText = false;                // text files keep the body's bytes
    bool withAttachments = false;        // attachments into "<file> Anlagen" beside each file
};

struct BatchOptions {
    std::vector<std::uint32_t> offsets;  // empty: every message of the file
    bool withDate = true;
    bool salvage = false;    // also the messages a scan of the file finds beside its index
    bool fragments = false;  // with salvage: the fragments too, into OUTDIR/Fragmente
};

// The rescue of a folder file run to its end, its progress on a terminal.
std::unique_ptr<FolderRescue> RunRescue(StoreReader& reader, const std::string& fileName);

// `page FILE OFFSET OUTDIR`: the page the preview shows, as OUTDIR/mail.htm
// (or the next free name: nothing existing is overwritten).
void ComposePage(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                 const std::string& outputFolder, const PageOptions& page);

// `attachments FILE OFFSET OUTDIR`: the files the message carries into
// OUTDIR (made when missing), under their safe names, never over an existing
// file; each path written goes to `out`. A message that cannot be read whole
// raises its error before any file is made.
void WriteMessageAttachments(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                             const std::string& outputFolder, std::ostream& out);

// `save FILE OUTDIR` and `export FILE OUTDIR`: each message fails alone
// with its error on standard error; the summary counts the files written.
// Return the exit status: 1 when any message failed, when the read of the
// folder file was not clean, or when the file changed during the run (each
// said in one German sentence on standard error).
int SaveMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                 const BatchOptions& batch);

int ExportMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                    const BatchOptions& batch, ExportFormat format, const PageOptions& page);

}  // namespace vellumine::cli

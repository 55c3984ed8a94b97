#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "output/ExportMessage.h"

namespace vellumine::cli {

struct PageOptions {
    bool withDesign = true;
    std::string templateName;            // empty: the last template in name order
    std::optional<std::string> fields;   // "von,an,datum,betreff"; none: all four
};

struct BatchOptions {
    std::vector<std::int32_t> offsets;  // empty: every message of the file
    bool withDate = true;
};

// `page FILE OFFSET OUTDIR`: the page the preview shows, as OUTDIR/mail.htm.
void ComposePage(const CliOptions& options, const std::string& fileName, std::int32_t offset,
                 const std::string& outputFolder, const PageOptions& page);

// `save FILE OUTDIR`: returns the exit status (1 when a file could not be made).
int SaveMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                 const BatchOptions& batch);

// `export FILE OUTDIR`: raises the error that ends the run.
void ExportMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                    const BatchOptions& batch, ExportFormat format, const PageOptions& page);

}  // namespace vellumine::cli

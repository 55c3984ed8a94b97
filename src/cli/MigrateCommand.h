#pragma once

#include <string>

#include "cli/CliContext.h"

namespace vellumine::cli {

// `migrate --format mboxrd|thunderbird|maildir|eml OUTDIR [--resume]
// [--salvage]`: the whole store, verified; prints the per-folder table and
// writes migration-report.json beside OUTDIR. Returns 1 when anything
// differs, was damaged or could not be read.
int MigrateStoreCommand(const CliOptions& options, const std::string& format, const std::string& outputFolder,
                        bool resume, bool salvage = false);

}  // namespace vellumine::cli

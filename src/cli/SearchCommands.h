#pragma once

#include <iosfwd>
#include <string>

#include "cli/CliContext.h"

namespace vellumine::cli {

// `index`: brings the store's search index up to date (building it the
// first time) and says what it did. Returns the exit status.
int UpdateSearchIndex(const CliOptions& options, std::ostream& out);

// `search QUERY`: the index brought up to date, then one line per message
// found (at most 1,000), newest first: folder, date, sender, subject,
// source offset, file and snippet (for the first 100), separated by tabs;
// with `json`, a JSON array.
int SearchStore(const CliOptions& options, const std::string& query, bool json, std::ostream& out);

}  // namespace vellumine::cli

#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "cli/CliContext.h"

namespace vellumine::cli {

// `index`: brings the store's search index up to date (building it the
// first time) and says what it did. Returns the exit status.
int UpdateSearchIndex(const CliOptions& options, std::ostream& out);

struct SearchRequest {
    std::string query;
    bool json = false;
    bool count = false;  // the number of all matches alone
    std::size_t limit = 1000;
    std::size_t offset = 0;
};

// The number --limit or --offset gives: digits alone, one too large for
// the machine taken as the largest. Raises UsageError (in German) for
// anything else, a sign included.
std::size_t ResultCountOption(const std::string& option, const std::string& text);

// `search QUERY`: the index brought up to date, then one line per message
// found (a page of `limit` after the first `offset`), newest first: folder,
// date, sender, subject, source offset, file and snippet (for the first
// 100), separated by tabs; with `json`, a JSON array; with `count`, the
// number of all matches.
int SearchStore(const CliOptions& options, const SearchRequest& request, std::ostream& out);

}  // namespace vellumine::cli

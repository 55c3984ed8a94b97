#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/CliContext.h"

namespace vellumine::cli {

// `folders`: the folder records of folders.dbx as a JSON array.
void PrintFolders(const CliOptions& options, std::ostream& out);

// `list FILE`: the message records of a folder file as a JSON array.
// With `withReport`, the list comes as {"messages": [...], "report": {...}}:
// what the read passed over in a damaged file, and why. Returns the exit
// status: 1 when the read was not clean (said in one German sentence on
// standard error).
// With `salvage`, the messages a scan of the file finds beside its index
// follow those of the index, and every message says where it came from
// ("origin": "index", "deleted", "orphaned", "movedCopy") and whether it is
// "incomplete"; the report adds what the scan found.
int PrintMessageList(const CliOptions& options, const std::string& fileName, std::ostream& out,
                     bool withReport = false, bool salvage = false);

// `source FILE OFFSET`: the message source, byte for byte.
// Raises the German error when the source does not read whole.
void WriteMessageSource(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                        std::ostream& out);

}  // namespace vellumine::cli

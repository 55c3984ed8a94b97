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
// what the read passed over in a damaged file, and why.
void PrintMessageList(const CliOptions& options, const std::string& fileName, std::ostream& out,
                      bool withReport = false);

// `source FILE OFFSET`: the message source, byte for byte.
void WriteMessageSource(const CliOptions& options, const std::string& fileName, std::int32_t offset,
                        std::ostream& out);

}  // namespace vellumine::cli

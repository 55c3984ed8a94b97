#pragma once
// A message's source as the source window shows it: its bytes read in the
// charset the message declares, else as UTF-8 where they are valid, else
// as Windows-1252, the way the page reads its text. The bytes themselves
// are saved unchanged elsewhere; this is for the eyes only.

#include <string>

namespace vellumine {

std::string SourceTextForDisplay(const std::string& source);

}  // namespace vellumine

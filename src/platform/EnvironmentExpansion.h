#pragma once

#include <string>

namespace vellumine {

// Replaces each %NAME% by the value of that environment variable, as
// ExpandEnvironmentStrings does on Windows: names are matched without regard
// to letter case, an unknown name stays as written (with its percent signs),
// a lone percent sign stays. The result may have any length.
std::string ExpandEnvironmentStrings(const std::string& text);

}  // namespace vellumine

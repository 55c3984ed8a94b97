#pragma once
// Text for a terminal: folder names, subjects and file names come from the
// store or a message, and an escape sequence, a bell or a line break in
// them must not act on the terminal or forge a line of output.

#include <string>
#include <string_view>

namespace vellumine {

// The text with every control character shown as '?': C0 controls (line
// breaks and tabs included), DEL, and C1 controls both as UTF-8 and as
// stray bytes. Everything else, malformed UTF-8 too, stays as it is.
std::string TerminalText(std::string_view text);

}  // namespace vellumine

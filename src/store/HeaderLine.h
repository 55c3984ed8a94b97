#pragma once
// Whether bytes found by a scan begin a message: a header line ("Name:
// value", the name printable ASCII without a colon) followed by another
// header line, a folded continuation or the blank line before the body.

#include <cstddef>
#include <optional>
#include <string_view>

namespace vellumine {

bool StartsWithHeaderLines(std::string_view text);

// Where in `text` the first line that starts header lines begins: 0 when
// the text starts with them, later when the first bytes were overwritten;
// none when no line of the text does.
std::optional<std::size_t> HeaderLinesStart(std::string_view text);

}  // namespace vellumine

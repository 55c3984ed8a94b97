#pragma once

#include <string_view>

namespace vellumine {

// Compares two 8-bit texts after upper-casing a to z only, byte by byte as
// unsigned values; a text that is a prefix of the other comes first.
// Negative, zero or positive.
int CompareUpperAscii(std::string_view a, std::string_view b);

}  // namespace vellumine

#pragma once
// Uuencoded data: one character, one line, a whole block.

#include <string>
#include <string_view>

namespace vellumine {

// The value 0 to 63 of a uuencode character (the grave accent and the space
// stand for 0); raises Error("UUCODE message format error") for any other.
int UUDecodeChar(char c);

// Appends the bytes a line (without its line break) stands for and returns
// their count; a line with a character outside the alphabet gives 0 and
// appends nothing. Data characters the line lacks count as 0, extra ones
// are ignored.
std::size_t UUDecodeLine(std::string_view line, std::string& out);

// The bytes of all lines of a block; the "begin" and "end" lines and any
// other line that is not uuencoded add nothing.
std::string UUDecodeText(std::string_view block);

}  // namespace vellumine

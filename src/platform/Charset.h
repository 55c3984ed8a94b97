#pragma once
// Conversions between the 8-bit text of the store and of messages
// (Windows-1252) and the UTF-8 that Linux, JSON and the widgets use.

#include <string>
#include <string_view>

namespace vellumine {

// Every byte becomes one character; the five bytes Windows-1252 leaves
// unassigned map to the C1 control characters of the same value.
std::string Windows1252ToUtf8(std::string_view bytes);

// Characters Windows-1252 cannot hold become '?'; malformed UTF-8 bytes are
// taken as Windows-1252 bytes themselves.
std::string Utf8ToWindows1252(std::string_view utf8);

// UTF-16 little-endian bytes (surrogate pairs joined, an odd last byte
// dropped) to UTF-8; a NUL character ends the text.
std::string Utf16LeToUtf8(std::string_view bytes);

bool IsValidUtf8(std::string_view text);

// Length of the UTF-8 sequence at text[at] (which must be inside the text)
// and its code point; 0 when the bytes there are not a well-formed sequence.
std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& codePoint);

void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace vellumine

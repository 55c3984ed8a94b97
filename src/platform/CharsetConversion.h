#pragma once
// Text in any charset the C library's iconv knows, turned into UTF-8 for
// display. Stored bytes are never changed by this; it serves what is shown,
// printed or exported as a page or text.

#include <optional>
#include <string>
#include <string_view>

namespace vellumine {

// The bytes converted from `charset` to UTF-8; none when the charset is
// unknown or the bytes are not valid in it. Labels that browsers read as
// Windows-1252 (ISO-8859-1 and its aliases) are read that way,
// so that "€" and typographic quotes at 0x80 to 0x9F survive.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, std::string_view charset);

// Text for display: converted from its declared charset; where none is
// declared, the charset is unknown or the bytes are not valid in it, text
// that is valid UTF-8 stays as it is and anything else is read as
// Windows-1252. Never fails.
std::string TextToUtf8(std::string_view bytes, std::string_view declaredCharset = {});

}  // namespace vellumine

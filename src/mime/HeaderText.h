#pragma once
// Text helpers of the MIME model: trimming, line reading, and the header
// line in its canonical form ("Name: value; param=value") with its value and
// parameters read and replaced. Encoded header words are never decoded:
// values come back as they stand in the source. Upper and lower case are the
// ASCII ones only.

#include <string>
#include <string_view>
#include <vector>

#include "mime/LineList.h"

namespace vellumine {

std::string TrimSpaces(std::string_view s);       // leading tabs/spaces, trailing spaces
std::string TrimLeftSpaces(std::string_view s);   // leading tabs and spaces
std::string TrimRightSpaces(std::string_view s);  // trailing tabs and spaces
std::string PadLeft(std::string_view s, std::size_t width, std::string_view fill);

std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// The line at `position` (from 1) with its CR LF; `position` becomes -1
// after the last line. A lone CR or LF does not end a line.
std::string ReadLine(std::string_view text, long long& position);

// Index of the n-th line (from 0) that starts with `prefix`, ignoring case;
// -1 when there is none.
int FindHeaderLine(const TLineList* headers, std::string_view prefix, int n);

std::string NormalizeHeaderLine(std::string_view line);
std::string ExtractHeaderValue(std::string_view line);
std::string ReplaceHeaderValue(std::string_view line, std::string_view value);
std::string ExtractHeaderParam(std::string_view line, std::string_view name);
std::string ReplaceHeaderParam(std::string_view line, std::string_view name, std::string_view value);

// "boundary" and eight upper-case hexadecimal digits of a random number.
std::string MakeBoundary();

}  // namespace vellumine

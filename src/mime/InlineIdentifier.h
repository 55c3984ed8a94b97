#pragma once
// How an HTML body names the parts it embeds: a "cid:" reference (RFC 2392)
// holds a part's Content-ID without its angle brackets, with the characters
// a URL may not hold written as percent escapes.

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumine {

// The Content-ID with one leading "<" and one trailing ">" removed.
std::string InlineIdentifier(std::string_view contentId);

// The identifier that the text after "cid:" names: its percent escapes
// decoded, as a browser reads the reference when it loads the part's file.
std::string CidReferenceIdentifier(std::string_view reference);

// Whether the HTML text from `at` on, up to the quote, bracket or blank that
// ends a reference, names `identifier` once its escapes are decoded. Reads
// no further than the first character that differs.
bool CidReferenceNames(std::string_view html, std::size_t at, std::string_view identifier);

}  // namespace vellumine

#pragma once
// How an HTML body names the parts it embeds: a "cid:" reference (RFC 2392)
// holds a part's Content-ID without its angle brackets, with the characters
// a URL may not hold written as percent escapes.

#include <string>
#include <string_view>

namespace vellumine {

// The Content-ID with one leading "<" and one trailing ">" removed.
std::string InlineIdentifier(std::string_view contentId);

// The identifier that the text after "cid:" names: its percent escapes
// decoded, as a browser reads the reference when it loads the part's file.
std::string CidReferenceIdentifier(std::string_view reference);

}  // namespace vellumine

#pragma once
// How an HTML body names the parts it embeds: a "cid:" reference (RFC 2392)
// holds a part's Content-ID without its angle brackets, with the characters
// a URL may not hold written as percent escapes. The page turns only the
// references that open a double-quoted value into file names; the
// attachment list asks the same questions here so that it leaves out
// exactly the images the page shows.

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vellumine {

// The Content-ID with one leading "<" and one trailing ">" removed.
std::string InlineIdentifier(std::string_view contentId);

// One "cid:" reference that the page turns into a file name: every "cid:"
// right after a double quote is dropped, and the reference is what follows
// them up to the next double quote or the end of the line.
struct TCidReference {
    std::size_t quote = 0;  // the double quote before the dropped "cid:"
    std::size_t start = 0;  // past the last dropped "cid:"
    std::size_t end = 0;    // the next double quote, or the line's size
};

// The references of one HTML line, first to last. A reference unquoted, in
// single quotes or inside a longer value (a style's url(...)) is none.
std::vector<TCidReference> QuotedCidReferences(std::string_view line);

// The identifier a reference names: the reference as written when
// `isIdentifier` knows it, otherwise with its percent escapes decoded, as a
// browser reads it when it loads the file.
std::string ReferencedIdentifier(std::string_view reference,
                                 const std::function<bool(const std::string&)>& isIdentifier);

// Those of `identifiers` that the references of these HTML lines name.
std::set<std::string> ShownInlineIdentifiers(const std::vector<std::string>& lines,
                                             const std::set<std::string>& identifiers);

}  // namespace vellumine

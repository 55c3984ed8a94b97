#pragma once

#include <string>
#include <string_view>

namespace vellumine {

// Text made safe to stand in HTML as text: "&", "<" and ">" become
// entities, and in attribute values the double quote too.
std::string HtmlEscape(std::string_view text);

// The visible text of an HTML text (UTF-8): tags, comments and the
// contents of script and style elements dropped, character references
// resolved (numeric ones and the named ones mail uses most), every run of
// white space made one blank.
std::string HtmlToPlainText(std::string_view html);

// The same text for reading: the elements that end a line or a block
// (br, p, div, tr, li, headings, ...) end its lines (CR LF); other runs of
// white space become one blank.
std::string HtmlToTextLines(std::string_view html);

}  // namespace vellumine

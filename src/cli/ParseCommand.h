#pragma once

#include <iosfwd>
#include <string>

namespace vellumine::cli {

// `parse FILE`: the MIME structure of a message source as JSON; with
// `body` "text" or "html", that body's text instead, with "page" the page
// the preview shows without design, with "plain" the text a text export
// writes. FILE "-" reads standard input.
void ParseMessage(const std::string& file, const std::string& body, std::ostream& out);

}  // namespace vellumine::cli

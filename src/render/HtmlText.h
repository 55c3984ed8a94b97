#pragma once

#include <string>
#include <string_view>

namespace vellumine {

// Text made safe to stand in HTML as text: "&", "<" and ">" become
// entities, and in attribute values the double quote too.
std::string HtmlEscape(std::string_view text);

}  // namespace vellumine

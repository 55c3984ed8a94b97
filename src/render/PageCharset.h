#pragma once
// Pages are composed in UTF-8: the bodies are converted from the charsets
// their parts declare, and the page says it is UTF-8 in place of whatever
// charset the template or the HTML part declared.

#include <string>
#include <string_view>

#include "mime/LineList.h"

namespace vellumine {

class TMailMessage;
class TMailPart;

// The charset an HTML text declares in a <meta> tag ("charset=..." alone or
// inside a content attribute); empty when it declares none.
std::string DeclaredHtmlCharset(std::string_view html);

// The decoded text of a part in UTF-8: from its declared charset (for HTML
// also the one its <meta> declares), else UTF-8 where valid, else
// Windows-1252.
std::string PartTextUtf8(TMailPart& part, bool html);

// Refills TextBodyLines and HtmlBodyLines from their parts, converted to
// UTF-8: from the part's declared charset (for HTML also the charset its
// <meta> declares), else UTF-8 where valid, else Windows-1252.
void BodyLinesToUtf8(TMailMessage& message);

// Removes every <meta> tag that declares a charset and puts
// <meta charset="utf-8"> right after the <head> tag (or in front of the
// page when it has none).
void DeclareUtf8(TLineList& page);

}  // namespace vellumine

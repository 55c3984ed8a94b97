#pragma once
// The HTML body made from a plain-text body, and the page made from the
// HTML body: the header block (sender, recipient, date, subject) in front of
// it, poured into the design template at its placeholder lines.

#include <string>

#include "render/PageDesign.h"

namespace vellumine {

class TMailMessage;

// Appends each text body line, escaped, with "<br>" to HtmlBodyLines.
void TXT2HTML(TMailMessage& message);

// "<table>", a row per switched-on field, "</table><hr><p>"; empty when
// every switch is off. Field texts are escaped.
std::string MakeHeaderBlock(const HeaderFields& fields, const PageDesign& design);

// The record's texts as a reader sees them, in UTF-8: encoded words
// decoded, 8-bit text read as UTF-8 where valid, else as Windows-1252.
HeaderFields DisplayHeaderFields(const HeaderFields& fields);

// Turns HtmlBodyLines (UTF-8) into the whole page, with the header fields
// shown as DisplayHeaderFields gives them and the template converted to
// UTF-8. A template that cannot be read is passed over: the page is then the
// header block and the body alone.
void AddHTMLHeader(TMailMessage& message, const HeaderFields& fields, const PageDesign& design);

}  // namespace vellumine

#pragma once
// What a page shows after the body (the message's ShownParts: further text
// parts, report parts, attached messages, notices), as HTML for the page
// and as plain text for text files and the search index. Both follow the
// same parts in the same order.

#include <string>

#include "store/MessageFields.h"

namespace vellumine {

class TMailMessage;
struct AttachmentListing;

// The small header of an attached message: From, To, Date and Subject as
// they stand after the field name, encoded words decoded (UTF-8).
HeaderFields AttachedHeaderFields(const TMailMessage& attached);

// Appends the HTML of every shown part to HtmlBodyLines, after the body
// that is there (UTF-8). Attached messages become framed blocks with their
// own header and their body composed by the same rules, and with the list
// of their own attachments when `listing` is given.
void AppendShownPartsHtml(TMailMessage& message, const AttachmentListing* listing = nullptr);

// The message as plain text: its body (the text body, or the HTML body as
// text when that is the page's body), then every shown part in the page's
// order; lines end in CR LF. `toUtf8` false keeps the decoded bytes as they
// stand.
std::string ComposeMessageText(TMailMessage& message, bool toUtf8);

}  // namespace vellumine

#pragma once
// The files a message carries, as a reader sees them in the page's list
// "Anlagen": every attachment part except those the page already shows (a
// text part, a report, an attached message, an image whose file one of the
// page's double-quoted "cid:" references loads), the message's own first and
// then those of each attached message it shows, in the page's order.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vellumine {

class TMailMessage;
class TMailPart;

struct TAttachment {
    TMailPart* part = nullptr;
    const TMailMessage* owner = nullptr;  // the message or attached message the part belongs to
    std::string fileName;                 // decoded and cleaned (UTF-8), or a stand-in from the type: "Anlage 2.pdf"
    bool hasOwnName = false;              // false when fileName is the stand-in
    std::string contentType;              // lower case, as the part is read (text/plain when it names none)
    std::size_t size = 0;                 // decoded bytes
    std::size_t number = 0;               // 1, 2, ... in the list's order
};

// Counts the decoded bytes of the parts it lists without keeping a base64
// body decoded. Parts with neither a name nor any content are left out:
// there is nothing a user could take from them.
std::vector<TAttachment> ListAttachments(TMailMessage& message);

// A decoded file name as it may be shown and offered: control characters,
// the characters that reverse the direction of text (which can make
// "rechnung\u202Efdp.exe" look like "rechnungexe.pdf"), path separators and
// bytes that are no UTF-8 become "_"; blanks around it go.
std::string CleanAttachmentName(std::string_view utf8);

// "Anlage 3" and the extension the type usually has ("Anlage 3.pdf"); no
// extension for a type without one.
std::string StandInFileName(std::size_t number, const std::string& contentType);

}  // namespace vellumine

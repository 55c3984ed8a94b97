#include "mime/MessageAttachments.h"

#include "mime/HeaderDecoding.h"
#include "mime/InlineIdentifier.h"
#include "mime/MailMessage.h"
#include "mime/MimeTypes.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace vellumine {
namespace {

// The image is on the page when the HTML body refers to it by "cid:", as
// written or with percent escapes.
bool IsShownAsInlineImage(const TMailPart& part, const std::string& htmlBody)
{
    const std::string identifier = InlineIdentifier(part.GetHeader("Content-ID"));
    if (identifier.empty() || htmlBody.empty())
        return false;
    for (std::size_t at = FindIgnoringAsciiCase(htmlBody, "cid:"); at != std::string::npos;
         at = FindIgnoringAsciiCase(htmlBody, "cid:", at + 4)) {
        if (htmlBody.compare(at + 4, identifier.size(), identifier) == 0 ||
            CidReferenceNames(htmlBody, at + 4, identifier))
            return true;
    }
    return false;
}

// A message that is one single part is its own attachment: when that part
// is a text the page shows it as the body, and it is no file.
bool IsOnPage(const TMailPart& part, const TMailMessage& owner, const std::string& htmlBody)
{
    return owner.IsShownInline(part) || owner.IsPageBody(part) || IsShownAsInlineImage(part, htmlBody);
}

void Collect(TMailMessage& owner, std::vector<TAttachment>& list)
{
    const std::string htmlBody = owner.HtmlBodyLines.Text();
    for (TMailPart* part : owner.AttachmentParts) {
        if (IsOnPage(*part, owner, htmlBody))
            continue;
        // Counted, not kept: a large attachment is decoded again only when
        // it is hashed or written.
        const std::size_t size = part->DecodedSize();
        if (size == 0 && AttachmentFileName(*part).empty())
            continue;
        TAttachment entry;
        entry.part = part;
        entry.owner = &owner;
        entry.number = list.size() + 1;
        entry.contentType = part->EffectiveContentType();
        entry.size = size;
        entry.fileName = CleanAttachmentName(AttachmentFileName(*part));
        entry.hasOwnName = !entry.fileName.empty();
        if (!entry.hasOwnName)
            entry.fileName = StandInFileName(entry.number, entry.contentType);
        list.push_back(std::move(entry));
    }
    for (TShownPart& shown : owner.ShownParts)
        if (shown.attached)
            Collect(*shown.attached, list);
}

}  // namespace

std::vector<TAttachment> ListAttachments(TMailMessage& message)
{
    message.IndexParts();
    std::vector<TAttachment> list;
    Collect(message, list);
    return list;
}

std::string CleanAttachmentName(std::string_view utf8)
{
    std::string name;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeUtf8At(utf8, at, c);
        const bool unsafe = length == 0 || c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == '/' || c == '\\' ||
                            (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
                            c == 0x200F || c == 0x061C;
        if (unsafe)
            name += '_';
        else
            name.append(utf8.substr(at, length));
        at += length == 0 ? 1 : length;
    }
    const std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

std::string StandInFileName(std::size_t number, const std::string& contentType)
{
    return "Anlage " + std::to_string(number) + ExtensionOfMimeType(contentType);
}

}  // namespace vellumine

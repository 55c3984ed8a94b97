#include "mime/MessageAttachments.h"

#include <map>
#include <set>

#include "mime/HeaderDecoding.h"
#include "mime/InlineIdentifier.h"
#include "mime/MailMessage.h"
#include "mime/MimeTypes.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace vellumine {
namespace {

using PartSet = std::set<const TMailPart*>;

// The identifiers that the HTML on the page names: the body's, each
// further HTML part's and, inside its block, each attached message's, all
// on one page.
void CollectShownIdentifiers(TMailMessage& message, const std::set<std::string>& identifiers,
                             std::set<std::string>& shown)
{
    shown.merge(ShownInlineIdentifiers(message.HtmlBodyLines.Lines(), identifiers));
    for (TShownPart& entry : message.ShownParts) {
        if (entry.attached) {
            CollectShownIdentifiers(*entry.attached, identifiers, shown);
        } else if (entry.kind == TShownKind::Html) {
            entry.part->DecodeBody();
            TLineList html;
            html.SetText(entry.part->DecodedData());
            shown.merge(ShownInlineIdentifiers(html.Lines(), identifiers));
        }
    }
}

// The parts whose files the page's references load. All parts of the
// message and its attached messages are written into one folder, so a
// reference may name a part of any of them; of parts that share an
// identifier only the last one's file remains under it.
PartSet PartsShownByReference(TMailMessage& message)
{
    std::map<std::string, const TMailPart*> fileOwner;
    for (const TMailPart* part : AttachmentPartsWithAttached(message)) {
        std::string identifier = InlineIdentifier(part->GetHeader("Content-ID"));
        if (!identifier.empty())
            fileOwner[std::move(identifier)] = part;
    }
    PartSet shown;
    if (fileOwner.empty())
        return shown;
    std::set<std::string> identifiers;
    for (const auto& entry : fileOwner)
        identifiers.insert(entry.first);
    std::set<std::string> shownIdentifiers;
    CollectShownIdentifiers(message, identifiers, shownIdentifiers);
    for (const std::string& identifier : shownIdentifiers)
        shown.insert(fileOwner[identifier]);
    return shown;
}

// A message that is one single part is its own attachment: when that part
// is a text the page shows it as the body, and it is no file.
bool IsOnPage(const TMailPart& part, const TMailMessage& owner, const PartSet& shownByReference)
{
    return owner.IsShownInline(part) || owner.IsPageBody(part) || shownByReference.count(&part) != 0;
}

void Collect(TMailMessage& owner, const PartSet& shownByReference, std::vector<TAttachment>& list)
{
    for (TMailPart* part : owner.AttachmentParts) {
        if (IsOnPage(*part, owner, shownByReference))
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
            Collect(*shown.attached, shownByReference, list);
}

}  // namespace

std::vector<TAttachment> ListAttachments(TMailMessage& message)
{
    message.IndexParts();
    std::vector<TAttachment> list;
    Collect(message, PartsShownByReference(message), list);
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

// Which parts the page shows besides the body, as a mail client shows them
// inline: further text parts of a mixed part, the machine-readable parts of
// a report, attached messages (parsed in their turn) and a notice for an
// encrypted message. Every other leaf is a file the message carries.

#include "mime/MailMessage.h"

#include "mime/HeaderText.h"

namespace vellumine {
namespace {

bool Contains(const TMailPart& ancestor, const TMailPart* part)
{
    for (; part; part = part->ParentPart())
        if (part == &ancestor)
            return true;
    return false;
}

// Two parts that are versions of one text: both lie in one multipart/alternative.
bool AreAlternatives(const TMailPart& a, const TMailPart& b)
{
    for (const TMailPart* ancestor = a.ParentPart(); ancestor; ancestor = ancestor->ParentPart())
        if (ancestor->LowerContentType() == "multipart/alternative" && Contains(*ancestor, &b))
            return true;
    return false;
}

bool HasText(TMailPart& part)
{
    part.DecodeBody();
    return !part.DecodedData().empty();
}

// The best version of an alternative is the last one that can be shown.
TMailPart* BestAlternative(const TMailPart& alternative)
{
    const auto& children = alternative.SubParts();
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        TMailPart& candidate = **child;
        const std::string ct = candidate.EffectiveContentType();
        if (!candidate.SubParts().empty() ||
            ((ct == "text/plain" || ct == "text" || ct == "text/html") && HasText(candidate)))
            return &candidate;
    }
    return nullptr;
}

bool IsReport(const std::string& ct)
{
    return ct == "message/delivery-status" || ct == "message/global-delivery-status" ||
           ct == "message/disposition-notification" || ct == "text/rfc822-headers";
}

}  // namespace

bool TMailMessage::IsShownInline(const TMailPart& part) const
{
    for (const TShownPart& shown : ShownParts)
        if (shown.part == &part)
            return true;
    return false;
}

// The page's body is the HTML body, else the text body; a text body is
// on the page as well when it is another version of the HTML body.
bool TMailMessage::IsPageBody(const TMailPart& part) const
{
    if (&part == HtmlBodyPart)
        return true;
    return &part == TextBodyPart && (!HtmlBodyPart || AreAlternatives(part, *HtmlBodyPart));
}

void TMailMessage::CollectShownParts(TMailPart& part)
{
    if (IsPageBody(part))
        return;
    const std::string ct = part.EffectiveContentType();
    const auto& children = part.SubParts();
    if (children.empty()) {
        CollectShownLeaf(part, ct);
    } else if (ct == "multipart/encrypted") {
        ShownParts.push_back({TShownKind::Encrypted, &part, nullptr});
    } else if (ct == "multipart/alternative") {
        // The body came from here, or the best version is shown.
        if (Contains(part, TextBodyPart) || Contains(part, HtmlBodyPart))
            return;
        if (TMailPart* best = BestAlternative(part))
            CollectShownParts(*best);
    } else if (ct == "multipart/related" || ct == "multipart/signed") {
        // The root of a related part; its other parts are what the root
        // refers to. The signature of a signed part is a file.
        CollectShownParts(*children.front());
    } else {
        // mixed, digest, report and the kinds without rules of their own
        for (const auto& child : children)
            CollectShownParts(*child);
    }
}

void TMailMessage::CollectShownLeaf(TMailPart& part, const std::string& ct)
{
    if (ct == "multipart/encrypted") {
        ShownParts.push_back({TShownKind::Encrypted, &part, nullptr});
        return;
    }
    if (ct == "application/pkcs7-mime" || ct == "application/x-pkcs7-mime") {
        const bool signedData = LowerAscii(part.GetHeaderParam("Content-Type", "smime-type")) == "signed-data";
        ShownParts.push_back({signedData ? TShownKind::OpaqueSigned : TShownKind::Encrypted, &part, nullptr});
        return;
    }
    if (ct == "message/rfc822") {
        ShowAttachedMessage(part);  // shown also when it is marked as an attachment
        return;
    }
    const bool text = ct == "text/plain" || ct == "text";
    if (!text && ct != "text/html" && !IsReport(ct))
        return;  // a file: only text is decoded here
    if (LowerAscii(part.GetHeader("Content-Disposition")) == "attachment" || !HasText(part))
        return;
    const TShownKind kind = text ? TShownKind::Text : ct == "text/html" ? TShownKind::Html : TShownKind::Report;
    ShownParts.push_back({kind, &part, nullptr});
}

TMailPartList AttachmentPartsWithAttached(const TMailMessage& message)
{
    TMailPartList parts = message.AttachmentParts;
    for (const TShownPart& shown : message.ShownParts) {
        if (shown.attached) {
            const TMailPartList inner = AttachmentPartsWithAttached(*shown.attached);
            parts.insert(parts.end(), inner.begin(), inner.end());
        }
    }
    return parts;
}

void TMailMessage::ShowAttachedMessage(TMailPart& part)
{
    if (FAttachedDepth >= kMaxAttachedDepth || !HasText(part))
        return;
    auto attached = std::make_unique<TMailMessage>();
    attached->FAttachedDepth = FAttachedDepth + 1;
    attached->Charset = Charset;
    attached->ParseString(std::string(part.DecodedData()));
    attached->IndexParts();
    ShownParts.push_back({TShownKind::Message, &part, std::move(attached)});
}

}  // namespace vellumine

#include "mime/MailMessage.h"

#include <vector>

namespace vellumine {
namespace {

// The part whose place `part` takes in the search: the first child of a
// multipart/signed stands where the signed part stands, so a signed text
// is a body as the same text unsigned would be.
TMailPart& PlaceOf(TMailPart& part)
{
    TMailPart* place = &part;
    while (TMailPart* parent = place->ParentPart()) {
        if (parent->LowerContentType() != "multipart/signed" || parent->SubParts().front().get() != place)
            break;
        place = parent;
    }
    return *place;
}

// The human-readable first part of a delivery report or read receipt.
bool IsFirstPartOfReport(const TMailPart& place)
{
    const TMailPart* parent = place.ParentPart();
    return parent && parent->LowerContentType() == "multipart/report" && parent->SubParts().front().get() == &place;
}

}  // namespace

TMailMessage::TMailMessage() : TMailPart(nullptr)
{
    SetOwnerMessage(this);
}

TMailMessage::~TMailMessage() = default;

std::function<void(long long, long long)> TMailMessage::ProgressReport()
{
    if (!OnProgress)
        return {};
    return [this](long long total, long long current) { OnProgress(*this, total, current); };
}

void TMailMessage::IndexParts()
{
    if (!FNeedIndexParts)
        return;
    AttachmentParts.clear();
    ShownParts.clear();
    TextBodyPart = HtmlBodyPart = FirstMixedPart = FirstRelatedPart = FirstAlternativePart = nullptr;
    TextBodyLines.Clear();
    HtmlBodyLines.Clear();
    FNeedIndexParts = false;

    // Depth first, a part before its children, children in source order.
    std::vector<TMailPart*> pending{this};
    while (!pending.empty()) {
        TMailPart* part = pending.back();
        pending.pop_back();
        ClassifyPart(*part);
        const auto& children = part->SubParts();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back(child->get());
    }
    CollectShownParts(*this);
}

void TMailMessage::ClassifyPart(TMailPart& part)
{
    const std::string ct = part.EffectiveContentType();
    const bool isLeaf = part.SubParts().empty();
    TMailPart& place = PlaceOf(part);
    TMailPart* parent = place.ParentPart();
    if (!FirstMixedPart && ct == "multipart/mixed") {
        FirstMixedPart = &part;
        return;
    }
    if (!FirstRelatedPart && ct == "multipart/related") {
        FirstRelatedPart = &part;
        return;
    }
    if (!FirstAlternativePart && ct == "multipart/alternative") {
        FirstAlternativePart = &part;
        return;
    }
    if (&place == this && isLeaf && (ct.rfind("text/", 0) == 0 || ct == "text") && TakeBody(part, ct))
        return;
    if (FirstMixedPart && FirstMixedPart == parent && !FirstAlternativePart && TakeBody(part, ct))
        return;
    if (IsFirstPartOfReport(place) && !FirstAlternativePart && TakeBody(part, ct))
        return;
    if (FirstRelatedPart && FirstRelatedPart == parent && TakeBody(part, ct))
        return;
    if (FirstAlternativePart && FirstAlternativePart == parent && TakeBody(part, ct))
        return;
    if (isLeaf) {
        part.SetEmbedded(parent == FirstRelatedPart);
        AttachmentParts.push_back(&part);
    }
}

bool TMailMessage::TakeBody(TMailPart& part, const std::string& contentType)
{
    bool taken = false;
    if (!TextBodyPart && (contentType == "text/plain" || contentType == "text")) {
        part.DecodeBody();
        if (!part.DecodedData().empty()) {
            TextBodyPart = &part;
            TextBodyLines.SetText(part.DecodedData());
            taken = true;
        }
    }
    if (!HtmlBodyPart && contentType == "text/html") {
        part.DecodeBody();
        if (!part.DecodedData().empty()) {
            HtmlBodyPart = &part;
            HtmlBodyLines.SetText(part.DecodedData());
            taken = true;
        }
    }
    return taken;
}

}  // namespace vellumine

#include "mime/MailMessage.h"

#include <vector>

namespace vellumine {

TMailMessage::TMailMessage() : TMailPart(nullptr)
{
    SetOwnerMessage(this);
}

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
}

void TMailMessage::ClassifyPart(TMailPart& part)
{
    const std::string ct = part.LowerContentType();
    const bool isLeaf = part.SubParts().empty();
    TMailPart* parent = part.ParentPart();
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
    if (&part == this && isLeaf && (ct.rfind("text/", 0) == 0 || ct == "text") && TakeBody(part, ct))
        return;
    if (&part == this && isLeaf && ct.empty() && TakeBody(part, "text/plain"))
        return;
    if (FirstMixedPart && FirstMixedPart == parent && !FirstAlternativePart && TakeBody(part, ct))
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

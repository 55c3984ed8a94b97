#include "search/IndexedMessage.h"

#include "mime/HeaderDecoding.h"
#include "mime/HeaderText.h"
#include "mime/MailMessage.h"
#include "render/ShownContent.h"

namespace vellumine {
namespace {

void AppendDecoded(std::string& text, const std::string& raw)
{
    if (raw.empty())
        return;
    if (!text.empty())
        text += ' ';
    text += DecodeHeaderText(raw);
}

void AppendEveryHeader(std::string& text, const TMailMessage& message, std::string_view prefix)
{
    for (const std::string& line : message.Headers().Lines()) {
        if (StartsWithIgnoringCase(line, prefix))
            AppendDecoded(text, TrimSpaces(ExtractHeaderValue(line)));
    }
}

}  // namespace

IndexedMessage IndexedMessageOf(const Toe5_MessageInfo& info, std::string_view source, const std::string& folder)
{
    IndexedMessage indexed;
    indexed.folder = folder;
    AppendDecoded(indexed.sender, info.SenderName);
    AppendDecoded(indexed.recipients, info.RecipientName);
    AppendDecoded(indexed.subject, info.Subject);
    if (source.empty())
        return indexed;
    TMailMessage message;
    message.ParseString(source);
    message.IndexParts();
    AppendDecoded(indexed.sender, message.GetHeader("From"));
    AppendEveryHeader(indexed.recipients, message, "To:");
    AppendEveryHeader(indexed.recipients, message, "Cc:");
    // The record may have lost what its code page could not hold (a
    // Japanese subject as "?????????"): the header's subject counts too.
    const std::string headerSubject = DecodeHeaderText(message.GetHeader("Subject"));
    if (headerSubject != indexed.subject)
        AppendDecoded(indexed.subject, message.GetHeader("Subject"));
    indexed.body = ComposeMessageText(message, true);
    for (const TMailPart* part : AttachmentPartsWithAttached(message)) {
        const std::string name = AttachmentFileName(*part);
        if (!name.empty())
            indexed.attachments += name + '\n';
    }
    return indexed;
}

}  // namespace vellumine

#pragma once
// The parsed message: the root part of the tree, and what the rest of the
// program asks of a message: its text body and HTML body as line lists and
// the parts it carries as attachments (among them the images an HTML body
// embeds by Content-ID).

#include <functional>
#include <string>

#include "mime/MailPart.h"

namespace vellumine {

enum TEncodingType { etBase64, etQuotedPrintable, etNoEncoding };
enum TEmbedMethod { emContentID, emContentLocation };

class TMailMessage;

// A recipient list ("To", "Cc" or "Bcc") of a message; nothing in the
// program fills it, but it belongs to the message's data.
struct TMailRecipients {
    TMailRecipients(TMailMessage* message, std::string fieldName) : Message(message), FieldName(std::move(fieldName)) {}
    TMailMessage* Message;
    std::string FieldName;
    TLineList Names;
    TLineList Addresses;
    int Index = -1;
};

// Sender, total source length, position reached.
using TProgressEvent = std::function<void(TMailMessage& sender, long long total, long long current)>;

class TMailMessage : public TMailPart {
public:
    TMailMessage();

    // Finds the bodies and the attachment parts; does nothing unless the
    // message was parsed since the last search.
    void IndexParts();

    TMailPartList AttachmentParts;
    TLineList TextBodyLines;
    TLineList HtmlBodyLines;
    TMailPart* TextBodyPart = nullptr;
    TMailPart* HtmlBodyPart = nullptr;
    TMailPart* FirstMixedPart = nullptr;
    TMailPart* FirstRelatedPart = nullptr;
    TMailPart* FirstAlternativePart = nullptr;

    std::string Charset = "iso-8859-1";
    TEncodingType TextEncoding = etQuotedPrintable;
    TEncodingType AttachEncoding = etBase64;
    TEmbedMethod EmbedMethod = emContentLocation;
    std::string ContentLocationBase = "http://localhost/";
    TProgressEvent OnProgress;

    TMailRecipients ToRecipients{this, "To"};
    TMailRecipients CcRecipients{this, "Cc"};
    TMailRecipients BccRecipients{this, "Bcc"};

protected:
    std::function<void(long long total, long long current)> ProgressReport() override;

private:
    friend class TMailPart;
    void ClassifyPart(TMailPart& part);
    bool TakeBody(TMailPart& part, const std::string& contentType);

    bool FNeedIndexParts = false;
};

}  // namespace vellumine

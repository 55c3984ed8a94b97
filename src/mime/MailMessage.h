#pragma once
// The parsed message: the root part of the tree, and what the rest of the
// program asks of a message: its text body and HTML body as line lists and
// the parts it carries as attachments (among them the images an HTML body
// embeds by Content-ID).

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// What a mail client shows of a part besides the body.
enum class TShownKind {
    Text,          // a further text/plain part
    Html,          // a further text/html part
    Report,        // the machine-readable part of a report (delivery status, notification, headers)
    Message,       // an attached message (message/rfc822, a part of a digest)
    Encrypted,     // an encrypted message: a notice only
    OpaqueSigned,  // a signed message whose text lies inside its signature: a notice only
};

// One part shown after the body, in tree order.
struct TShownPart {
    TShownKind kind;
    TMailPart* part;
    std::unique_ptr<TMailMessage> attached;  // Message: the attached message, parsed and its parts searched
};

// Sender, total source length, position reached.
using TProgressEvent = std::function<void(TMailMessage& sender, long long total, long long current)>;

class TMailMessage : public TMailPart {
public:
    // Attached messages are parsed down to this depth (the message itself
    // is 0); deeper ones stay attachments only.
    static constexpr int kMaxAttachedDepth = 3;

    TMailMessage();
    ~TMailMessage() override;

    // Finds the bodies and the attachment parts; does nothing unless the
    // message was parsed since the last search.
    void IndexParts();

    // The leaf parts not taken as a body, in tree order. Those a mail client
    // shows inline are in ShownParts as well; the others are the files the
    // message carries.
    TMailPartList AttachmentParts;
    // What the page shows after the body, in tree order.
    std::vector<TShownPart> ShownParts;
    bool IsShownInline(const TMailPart& part) const;
    // Whether a part's text is the page's body: the HTML body, else the
    // text body; the text body also when it is another version of the HTML body.
    bool IsPageBody(const TMailPart& part) const;
    int AttachedDepth() const { return FAttachedDepth; }

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
    // ShownParts.cpp: the parts shown after the body.
    void CollectShownParts(TMailPart& part);
    void CollectShownLeaf(TMailPart& part, const std::string& contentType);
    void ShowAttachedMessage(TMailPart& part);

    bool FNeedIndexParts = false;
    int FAttachedDepth = 0;
};

// The attachment parts of a message and, after them, those of the attached
// messages it shows, in the order of ShownParts, at every level.
TMailPartList AttachmentPartsWithAttached(const TMailMessage& message);

}  // namespace vellumine

// What a page shows besides the body: one table of message structures and
// the parts a mail client shows inline, in tree order.

#include <gtest/gtest.h>

#include "MessageBuilder.h"
#include "mime/MailMessage.h"

namespace vellumine {
namespace {

using testing::Crlf;

std::string Section(const std::string& boundary, const std::string& headers, const std::string& body)
{
    return "--" + boundary + "\n" + headers + "\n" + body + "\n";
}

std::string Multipart(const std::string& type, const std::string& boundary, const std::string& sections)
{
    return "Content-Type: " + type + "; boundary=\"" + boundary + "\"\n\n" + sections + "--" + boundary + "--\n";
}

// A nested multipart as a section of its parent.
std::string Nested(const std::string& parent, const std::string& type, const std::string& boundary,
                   const std::string& sections)
{
    return "--" + parent + "\n" + Multipart(type, boundary, sections) + "\n";
}

std::string Message(const std::string& subject, const std::string& body)
{
    return "From: a@example.de\nSubject: " + subject + "\n\n" + body;
}

// "kind(content type)" per shown part; an attached message lists its own in brackets.
std::string Describe(const TMailMessage& message)
{
    std::string text;
    for (const TShownPart& shown : message.ShownParts) {
        if (!text.empty())
            text += ' ';
        switch (shown.kind) {
        case TShownKind::Text: text += "text"; break;
        case TShownKind::Html: text += "html"; break;
        case TShownKind::Report: text += "report(" + shown.part->LowerContentType() + ")"; break;
        case TShownKind::Message: text += "message[" + Describe(*shown.attached) + "]"; break;
        case TShownKind::Encrypted: text += "encrypted"; break;
        case TShownKind::OpaqueSigned: text += "opaque-signed"; break;
        }
    }
    return text;
}

struct ShownCase {
    const char* name;
    std::string source;
    std::string shown;
};

class Shown : public ::testing::TestWithParam<ShownCase> {};

TEST_P(Shown, PartsAfterTheBody)
{
    TMailMessage m;
    m.ParseString(Crlf(GetParam().source));
    m.IndexParts();
    EXPECT_EQ(Describe(m), GetParam().shown);
    for (const TShownPart& shown : m.ShownParts)
        EXPECT_TRUE(m.IsShownInline(*shown.part));
}

const std::string kText = "Content-Type: text/plain\n";
const std::string kHtml = "Content-Type: text/html\n";
const std::string kAlt = Section("a", kText, "plain") + Section("a", kHtml, "<b>html</b>");

std::string Forwarded(int depth)
{
    std::string message = Message("innen", "Text");
    for (int i = 0; i < depth; ++i)
        message = Multipart("multipart/mixed", "f" + std::to_string(i),
                            Section("f" + std::to_string(i), kText, "Ebene") +
                                Section("f" + std::to_string(i), "Content-Type: message/rfc822\n", message));
    return message;
}

INSTANTIATE_TEST_SUITE_P(
    StructureTable, Shown,
    ::testing::Values(
        ShownCase{"PlainMessage", "Content-Type: text/plain\n\nHallo\n", ""},
        ShownCase{"AlternativeShowsOnlyItsBest", Multipart("multipart/alternative", "a", kAlt), ""},
        ShownCase{"FurtherTextsOfAMixedPart",
                  Multipart("multipart/mixed", "m",
                            Section("m", kText, "eins") + Section("m", kText, "zwei") +
                                Section("m", "Content-Type: image/png\n", "PNG") + Section("m", "", "ohne Typ")),
                  "text text"},
        ShownCase{"TextBeforeAnHtmlBodyIsNoVersionOfIt",
                  Multipart("multipart/mixed", "m", Section("m", kText, "eins") + Section("m", kHtml, "<p>zwei</p>")),
                  "text"},
        ShownCase{"MarkedAttachmentsStayFiles",
                  Multipart("multipart/mixed", "m",
                            Section("m", kText, "eins") +
                                Section("m", kText + "Content-Disposition: attachment; filename=a.txt\n", "Datei") +
                                Section("m", kText, "")),
                  ""},
        ShownCase{"EmptyAlternativeFirst",
                  Multipart("multipart/mixed", "m",
                            Nested("m", "multipart/alternative", "a", "") + Section("m", kText, "der Text")),
                  "text"},
        ShownCase{"NestedMixed",
                  Multipart("multipart/mixed", "m",
                            Section("m", kText, "eins") +
                                Nested("m", "multipart/mixed", "n",
                                       Section("n", kText, "zwei") + Section("n", "Content-Type: image/gif\n", "G"))),
                  "text"},
        ShownCase{"SecondAlternativeShowsItsBest",
                  Multipart("multipart/mixed", "m",
                            Nested("m", "multipart/alternative", "a", kAlt) +
                                Nested("m", "multipart/alternative", "b",
                                       Section("b", kText, "plain 2") + Section("b", kHtml, "<b>zwei</b>"))),
                  "html"},
        ShownCase{"RelatedShowsItsRootOnly",
                  Multipart("multipart/mixed", "m",
                            Section("m", kText, "eins") +
                                Nested("m", "multipart/related", "r",
                                       Section("r", kHtml, "<img src=\"cid:x\">") +
                                           Section("r", "Content-Type: image/gif\nContent-ID: <x>\n", "G"))),
                  "text"},
        ShownCase{"DeliveryReport",
                  Multipart("multipart/report; report-type=delivery-status", "r",
                            Section("r", kText, "Unzustellbar") +
                                Section("r", "Content-Type: message/delivery-status\n", "Action: failed") +
                                Section("r", "Content-Type: message/rfc822\n", Message("Ihre Frage", "Frage"))),
                  "report(message/delivery-status) message[]"},
        ShownCase{"ReadReceiptWithHeadersOnly",
                  Multipart("multipart/report; report-type=disposition-notification", "r",
                            Section("r", kText, "Gelesen") +
                                Section("r", "Content-Type: message/disposition-notification\n", "Disposition: x") +
                                Section("r", "Content-Type: text/rfc822-headers\n", "Subject: Frage")),
                  "report(message/disposition-notification) report(text/rfc822-headers)"},
        ShownCase{"DigestPartsAreMessages",
                  Multipart("multipart/digest", "d",
                            Section("d", "", Message("eins", "Text eins")) +
                                Section("d", "", Message("zwei", "Text zwei"))),
                  "message[] message[]"},
        ShownCase{"AttachedMessageEvenWhenMarkedAttachment",
                  Multipart("multipart/mixed", "m",
                            Section("m", kText, "Weitergeleitet:") +
                                Section("m", "Content-Type: message/rfc822\nContent-Disposition: attachment\n",
                                        Message("alt", "Text")) +
                                Section("m", "Content-Type: message/rfc822\n", "")),
                  "message[]"},
        ShownCase{"AttachedMessagesDownToThreeLevels", Forwarded(5), "message[message[message[]]]"},
        ShownCase{"AttachedMessagesWithTheirOwnParts", Forwarded(2), "message[message[]]"},
        ShownCase{"PgpEncrypted",
                  Multipart("multipart/encrypted; protocol=\"application/pgp-encrypted\"", "e",
                            Section("e", "Content-Type: application/pgp-encrypted\n", "Version: 1") +
                                Section("e", "Content-Type: application/octet-stream\n", "-----BEGIN PGP")),
                  "encrypted"},
        ShownCase{"SmimeEncrypted",
                  "Content-Type: application/pkcs7-mime; smime-type=enveloped-data; name=smime.p7m\n"
                  "Content-Disposition: attachment; filename=smime.p7m\n\nMIAGCSqG\n",
                  "encrypted"},
        ShownCase{"SmimeOpaqueSigned", "Content-Type: application/x-pkcs7-mime; smime-type=signed-data\n\nMIAG\n",
                  "opaque-signed"},
        ShownCase{"SignedShowsNoSignature",
                  Multipart("multipart/signed", "s",
                            Nested("s", "multipart/mixed", "m", Section("m", kText, "eins") + Section("m", kText, "zwei")) +
                                Section("s", "Content-Type: application/pkcs7-signature\n", "SIG")),
                  "text"}),
    [](const ::testing::TestParamInfo<ShownCase>& param) { return std::string(param.param.name); });

TEST(ShownParts, AttachedMessageIsParsedWithItsOwnBodies)
{
    TMailMessage m;
    m.ParseString(Crlf(Multipart(
        "multipart/mixed", "m",
        Section("m", kText, "Siehe unten") +
            Section("m", "Content-Type: message/rfc822\nContent-Transfer-Encoding: base64\n",
                    "U3ViamVjdDogYWx0DQoNCkFsdGVyIFRleHQNCg=="))));
    m.IndexParts();
    ASSERT_EQ(m.ShownParts.size(), 1u);
    const TMailMessage& attached = *m.ShownParts[0].attached;
    EXPECT_EQ(attached.AttachedDepth(), 1);
    EXPECT_EQ(attached.GetHeader("Subject"), "alt");
    EXPECT_EQ(attached.TextBodyLines.Text(), "Alter Text\r\n");
    // The attached message is still a part the message carries.
    ASSERT_EQ(m.AttachmentParts.size(), 1u);
    EXPECT_EQ(m.AttachmentParts[0], m.ShownParts[0].part);
}

TEST(ShownParts, AttachmentsOfAttachedMessagesFollowTheMessagesOwn)
{
    const std::string inner = Multipart("multipart/mixed", "i",
                                        Section("i", kText, "innen") +
                                            Section("i", "Content-Type: image/gif; name=innen.gif\n", "G"));
    TMailMessage m;
    m.ParseString(Crlf(Multipart("multipart/mixed", "m",
                                 Section("m", kText, "aussen") +
                                     Section("m", "Content-Type: message/rfc822\n", Message("eins", "x\n")) +
                                     Section("m", "Content-Type: application/pdf; name=aussen.pdf\n", "PDF") +
                                     Section("m", "Content-Type: message/rfc822\n", "Subject: zwei\n" + inner))));
    m.IndexParts();
    std::vector<std::string> types;
    for (const TMailPart* part : AttachmentPartsWithAttached(m))
        types.push_back(part->LowerContentType());
    EXPECT_EQ(types, (std::vector<std::string>{"message/rfc822", "application/pdf", "message/rfc822", "image/gif"}));
}

}  // namespace
}  // namespace vellumine

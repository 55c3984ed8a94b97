#include <gtest/gtest.h>

#include "MessageBuilder.h"
#include "mime/MailMessage.h"

namespace vellumine {
namespace {

using testing::Crlf;

// A section of a multipart: its content type and body.
std::string Section(const std::string& boundary, const std::string& type, const std::string& body,
                    const std::string& extraHeaders = "")
{
    return "--" + boundary + "\nContent-Type: " + type + "\n" + extraHeaders + "\n" + body + "\n";
}

std::string Multipart(const std::string& type, const std::string& boundary, const std::string& sections)
{
    return "Content-Type: " + type + "; boundary=\"" + boundary + "\"\n\n" + sections + "--" + boundary + "--\n";
}

struct Expected {
    const char* name;
    std::string source;
    const char* textBody;  // nullptr: none
    const char* htmlBody;
    std::vector<std::string> attachments;  // content types in order
    std::vector<bool> embedded;
};

class PartSearch : public ::testing::TestWithParam<Expected> {};

TEST_P(PartSearch, FindsBodiesAndAttachments)
{
    const Expected& e = GetParam();
    TMailMessage m;
    m.ParseString(Crlf(e.source));
    m.IndexParts();
    EXPECT_EQ(m.TextBodyLines.Empty() ? std::string("-") : m.TextBodyLines.Text(),
              e.textBody ? Crlf(e.textBody) : std::string("-"));
    EXPECT_EQ(m.HtmlBodyLines.Empty() ? std::string("-") : m.HtmlBodyLines.Text(),
              e.htmlBody ? Crlf(e.htmlBody) : std::string("-"));
    std::vector<std::string> types;
    std::vector<bool> embedded;
    for (TMailPart* part : m.AttachmentParts) {
        types.push_back(part->LowerContentType());
        embedded.push_back(part->Embedded());
    }
    EXPECT_EQ(types, e.attachments);
    EXPECT_EQ(embedded, e.embedded);
}

const std::string kAltSections = Section("a", "text/plain", "plain") + Section("a", "text/html", "<b>html</b>");

INSTANTIATE_TEST_SUITE_P(
    StructureTable, PartSearch,
    ::testing::Values(
        Expected{"SingleTextPlain", "Content-Type: text/plain\n\nHallo\n", "Hallo\n", nullptr, {}, {}},
        Expected{"NoContentType", "Subject: x\n\nHallo\n", "Hallo\n", nullptr, {}, {}},
        Expected{"SingleHtml", "Content-Type: text/html\n\n<p>x</p>\n", nullptr, "<p>x</p>\n", {}, {}},
        Expected{"Alternative", Multipart("multipart/alternative", "a", kAltSections), "plain\n",
                 "<b>html</b>\n", {}, {}},
        Expected{"MixedWithFiles",
                 Multipart("multipart/mixed", "m",
                           Section("m", "text/plain", "") + Section("m", "text/plain", "text") +
                               Section("m", "application/pdf", "PDF") + Section("m", "image/png", "PNG")),
                 "text\n", nullptr, {"text/plain", "application/pdf", "image/png"}, {false, false, false}},
        Expected{"MixedHoldingAlternative",
                 Multipart("multipart/mixed", "m",
                           "--m\nContent-Type: multipart/alternative; boundary=\"a\"\n\n" + kAltSections +
                               "--a--\n\n" + Section("m", "application/pdf", "PDF") +
                               Section("m", "text/plain", "not a body")),
                 "plain\n", "<b>html</b>\n", {"application/pdf", "text/plain"}, {false, false}},
        Expected{"RelatedWithImages",
                 Multipart("multipart/related", "r",
                           Section("r", "text/html", "<img src=cid:1>") +
                               Section("r", "image/gif", "G1", "Content-ID: <1>\n") +
                               Section("r", "image/gif", "G2", "Content-ID: <2>\n")),
                 nullptr, "<img src=cid:1>\n", {"image/gif", "image/gif"}, {true, true}},
        Expected{"AlternativeHoldingRelated",
                 Multipart("multipart/alternative", "a",
                           Section("a", "text/plain", "plain") +
                               "--a\nContent-Type: multipart/related; boundary=\"r\"\n\n" +
                               Section("r", "text/html", "<img src=cid:1>") +
                               Section("r", "image/jpeg", "J", "Content-ID: <1>\n") + "--r--\n"),
                 "plain\n", "<img src=cid:1>\n", {"image/jpeg"}, {true}},
        // A signed part is transparent: its first child stands in its place.
        Expected{"SignedText",
                 Multipart("multipart/signed", "s",
                           Section("s", "text/plain", "signed text") +
                               Section("s", "application/pgp-signature", "SIG")),
                 "signed text\n", nullptr, {"application/pgp-signature"}, {false}},
        Expected{"SignedAlternativeInMixed",
                 Multipart("multipart/mixed", "m",
                           "--m\nContent-Type: multipart/signed; boundary=\"s\"\n\n"
                           "--s\nContent-Type: multipart/alternative; boundary=\"a\"\n\n" +
                               kAltSections + "--a--\n\n" + Section("s", "application/pkcs7-signature", "SIG") +
                               "--s--\n\n" + Section("m", "application/pdf", "PDF")),
                 "plain\n", "<b>html</b>\n", {"application/pkcs7-signature", "application/pdf"}, {false, false}},
        Expected{"SignatureFirstIsNoBody",
                 Multipart("multipart/signed", "s",
                           Section("s", "application/pgp-signature", "SIG") + Section("s", "text/plain", "late")),
                 nullptr, nullptr, {"application/pgp-signature", "text/plain"}, {true, false}},
        Expected{"ReportTakesItsFirstPart",
                 Multipart("multipart/report", "r",
                           Section("r", "text/plain", "Zustellung fehlgeschlagen") +
                               Section("r", "message/delivery-status", "Action: failed") +
                               Section("r", "message/rfc822", "Subject: alt\n\nText")),
                 "Zustellung fehlgeschlagen\n", nullptr, {"message/delivery-status", "message/rfc822"},
                 {false, false}},
        Expected{"PartWithoutContentTypeIsText",
                 Multipart("multipart/mixed", "m",
                           "--m\n\nOhne Typ\n" + Section("m", "image/png", "PNG")),
                 "Ohne Typ\n", nullptr, {"image/png"}, {false}},
        Expected{"DigestPartsAreMessages",
                 Multipart("multipart/digest", "d", "--d\n\nSubject: eins\n\nbegin 644 x\n`\nend\n"),
                 nullptr, nullptr, {""}, {false}},
        Expected{"UnterminatedLastPartIsKept",
                 "Content-Type: multipart/alternative; boundary=\"a\"\n\n" + kAltSections, "plain\n",
                 "<b>html</b>\n", {}, {}},
        Expected{"UUEncodedTextAroundTheBlocks",
                 "Subject: x\n\nVorher\nbegin 644 a.png\n#0V%T\n`\nend\nZwischen\nbegin 644 b.png\n#0V%T\n`\n"
                 "end\nNachher\n",
                 "Vorher\nZwischen\nNachher\n", nullptr, {"image/png", "image/png"}, {false, false}},
        Expected{"UUEncodedBlockWithoutEndStaysText", "Subject: x\n\nVorher\nbegin 644 a.png\n#0V%T\nNachher\n",
                 "Vorher\nbegin 644 a.png\n#0V%T\nNachher\n", nullptr, {}, {}},
        Expected{"UUEncodedBlocks", "Subject: x\n\nVorher\nbegin 644 seite.htm\n#/&(^\n`\nend\n", "Vorher\n",
                 "<b>\n", {}, {}},
        Expected{"SingleImage", "Content-Type: image/png\n\nPNG\n", nullptr, nullptr, {"image/png"}, {true}},
        Expected{"EmptyWithoutContentType", "Subject: leer\n\n", nullptr, nullptr, {""}, {true}},
        Expected{"TextOfAnotherSubtype", "Content-Type: text/enriched\n\nx\n", nullptr, nullptr,
                 {"text/enriched"}, {true}}),
    [](const ::testing::TestParamInfo<Expected>& param) { return std::string(param.param.name); });

TEST(MailMessage, IndexPartsRunsOncePerParse)
{
    TMailMessage m;
    m.ParseString(Crlf(Multipart("multipart/alternative", "a", kAltSections)));
    m.IndexParts();
    const TMailPart* text = m.TextBodyPart;
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->IsDecoded());
    m.TextBodyLines.Add("changed by a caller");
    m.IndexParts();  // nothing new parsed: the results stay as they are
    EXPECT_EQ(m.TextBodyLines.Count(), 2u);
    m.ParseString(Crlf("Content-Type: text/plain\n\nneu\n"));
    m.IndexParts();
    EXPECT_EQ(m.TextBodyLines.Text(), "neu\r\n");
    EXPECT_EQ(m.TextBodyPart, &m);
}

TEST(MailMessage, QuotedPrintableTextIsJoinedBeforeItIsSplitIntoLines)
{
    TMailMessage m;
    m.ParseString(Crlf("Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\n"
                       "eine sehr lange Zeile, die wei=\nter geht\nzweite Zeile\n"));
    m.IndexParts();
    EXPECT_EQ(m.TextBodyLines.Lines(), (std::vector<std::string>{"eine sehr lange Zeile, die weiter geht",
                                                                "zweite Zeile"}));
}

TEST(MailMessage, EmbeddedImagesKeepTheirContentIdAsWritten)
{
    TMailMessage m;
    m.ParseString(Crlf(Multipart("multipart/related", "r",
                                 Section("r", "text/html", "<img src=\"cid:eins@x\"><img src=\"cid:zwei@x\">") +
                                     Section("r", "image/png", "iVBORw0K", "Content-ID: <eins@x>\nContent-Transfer-Encoding: base64\n") +
                                     Section("r", "image/png", "iVBORw0K", "Content-ID: <zwei@x>\nContent-Transfer-Encoding: base64\n"))));
    m.IndexParts();
    ASSERT_EQ(m.AttachmentParts.size(), 2u);
    EXPECT_EQ(m.AttachmentParts[0]->GetHeader("Content-ID"), "<eins@x>");
    EXPECT_EQ(m.AttachmentParts[1]->GetHeader("Content-ID"), "<zwei@x>");
    EXPECT_TRUE(m.AttachmentParts[1]->Embedded());
    m.AttachmentParts[0]->DecodeBody();
    EXPECT_EQ(m.AttachmentParts[0]->DecodedData(), "\x89PNG\r\n");
}

TEST(MailMessage, StartValues)
{
    TMailMessage m;
    EXPECT_EQ(m.Charset, "iso-8859-1");
    EXPECT_EQ(m.TextEncoding, etQuotedPrintable);
    EXPECT_EQ(m.AttachEncoding, etBase64);
    EXPECT_EQ(m.EmbedMethod, emContentLocation);
    EXPECT_EQ(m.OwnerMessage(), &m);
    EXPECT_EQ(m.ToRecipients.FieldName, "To");
    EXPECT_EQ(m.BccRecipients.Index, -1);
}

}  // namespace
}  // namespace vellumine

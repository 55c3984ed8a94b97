// The parts shown after the body: on the page and in the text export, the
// same parts in the same order.

#include <gtest/gtest.h>

#include "../mime/MessageBuilder.h"
#include "mime/MailMessage.h"
#include "render/HtmlText.h"
#include "render/MessagePage.h"
#include "render/ShownContent.h"

namespace vellumine {
namespace {

using testing::Crlf;

std::string Mixed(const std::string& sections)
{
    return "Content-Type: multipart/mixed; boundary=\"m\"\n\n" + sections + "--m--\n";
}

std::string Section(const std::string& headers, const std::string& body)
{
    return "--m\n" + headers + "\n" + body + "\n";
}

const std::string kAttached = "From: Carla <c@example.de>\nTo: Bernd\nSubject: =?iso-8859-1?Q?Gr=FC=DFe?=; und mehr\n"
                              "Date: Fri, 16 Jan 2004 19:02:44 +0100\n\nAlter Text\n";

struct TextCase {
    const char* name;
    std::string source;
    std::string text;
};

class MessageText : public ::testing::TestWithParam<TextCase> {};

TEST_P(MessageText, FollowsThePage)
{
    TMailMessage m;
    m.ParseString(Crlf(GetParam().source));
    m.IndexParts();
    EXPECT_EQ(ComposeMessageText(m, true), Crlf(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    StructureTable, MessageText,
    ::testing::Values(
        TextCase{"PlainText", "Content-Type: text/plain\n\nHallo\n", "Hallo\n"},
        TextCase{"HtmlOnlyAsLines", "Content-Type: text/html\n\n<p>eins &amp; zwei</p><p>drei<br>vier</p>\n",
                 "eins & zwei\ndrei\nvier\n"},
        TextCase{"AlternativeGivesItsText",
                 "Content-Type: multipart/alternative; boundary=\"m\"\n\n" +
                     Section("Content-Type: text/plain\n", "der Text") +
                     Section("Content-Type: text/html\n", "<p>das HTML</p>") + "--m--\n",
                 "der Text\n"},
        TextCase{"HtmlBodyThenTheTextBeforeIt",
                 Mixed(Section("Content-Type: text/plain\n", "eins") +
                       Section("Content-Type: text/html\n", "<p>zwei</p>")),
                 "zwei\n\neins\n"},
        TextCase{"SeveralTexts",
                 Mixed(Section("Content-Type: text/plain\n", "eins") + Section("", "zwei") +
                       Section("Content-Type: text/plain; charset=iso-8859-1\n", "M\xfchle")),
                 "eins\n\nzwei\n\nM\xc3\xbchle\n"},
        TextCase{"DeliveryReport",
                 "Content-Type: multipart/report; boundary=\"m\"\n\n" +
                     Section("Content-Type: text/plain\n", "Unzustellbar") +
                     Section("Content-Type: message/delivery-status\n", "Action: failed") + "--m--\n",
                 "Unzustellbar\n\nAction: failed\n"},
        TextCase{"Encrypted", "Content-Type: application/pkcs7-mime; smime-type=enveloped-data\n\nMIAG\n",
                 "Diese Nachricht ist verschl\xc3\xbcsselt; ihr Inhalt kann nicht angezeigt werden.\n"},
        TextCase{"AttachedMessage",
                 Mixed(Section("Content-Type: text/plain\n", "Siehe unten") +
                       Section("Content-Type: message/rfc822\n", kAttached)),
                 "Siehe unten\n\n-------- Angeh\xc3\xa4ngte Nachricht --------\nVon: Carla <c@example.de>\n"
                 "An: Bernd\nDatum: Fri, 16 Jan 2004 19:02:44 +0100\nBetreff: Gr\xc3\xbc\xc3\x9f" "e; und mehr\n\n"
                 "Alter Text\n-------- Ende der angeh\xc3\xa4ngten Nachricht --------\n"}),
    [](const ::testing::TestParamInfo<TextCase>& param) { return std::string(param.param.name); });

TEST(ShownPage, AttachedMessageIsAFramedBlockWithItsOwnImages)
{
    const std::string attached =
        "From: Carla\nSubject: Bild\nContent-Type: multipart/related; boundary=\"r\"\n\n"
        "--r\nContent-Type: text/html\n\n<html><head><title>x</title></head><body><p>Sonnenblumen</p>"
        "<img src=\"cid:blume@x\"></body></html>\n"
        "--r\nContent-Type: image/png\nContent-ID: <blume@x>\nContent-Transfer-Encoding: base64\n\niVBORw0K\n--r--\n";
    const std::string source =
        Crlf(Mixed(Section("Content-Type: text/plain\n", "Weitergeleitet:") +
                   Section("Content-Type: message/rfc822\n", attached)));
    const PreviewPage page = ComposePreviewPage(source, {}, false, {});
    const std::size_t outer = page.text.find("Weitergeleitet:<br>");
    const std::size_t header = page.text.find("<tr><td><b>Betreff:</b></td><td>Bild</td></tr>");
    const std::size_t inner = page.text.find("<p>Sonnenblumen</p><img src=\"blume@x\">");
    EXPECT_NE(outer, std::string::npos);
    EXPECT_LT(outer, header);
    EXPECT_LT(header, inner);
    EXPECT_NE(inner, std::string::npos) << page.text;
    EXPECT_EQ(page.text.find("<title>"), std::string::npos);  // only the attached page's body
    ASSERT_EQ(page.parts.size(), 1u);
    EXPECT_EQ(page.parts[0].fileName, "blume@x");
    EXPECT_EQ(page.parts[0].bytes, "\x89PNG\r\n");
}

TEST(ShownPage, TextsAreEscapedAndReportsPreformatted)
{
    const std::string source = Crlf(
        "Content-Type: multipart/report; boundary=\"m\"\n\n" + Section("Content-Type: text/html\n", "<p>Bericht</p>") +
        Section("Content-Type: text/rfc822-headers\n", "Subject: <script>x</script>") +
        Section("Content-Type: text/plain\n", "a < b & c") + "--m--\n");
    const std::string page = ComposePreviewPage(source, {}, false, {}).text;
    EXPECT_NE(page.find("<p>Bericht</p>"), std::string::npos);
    EXPECT_NE(page.find("white-space:pre-wrap\">\r\nSubject: &lt;script&gt;x&lt;/script&gt;\r\n</pre>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("a &lt; b &amp; c<br>"), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST(ShownPage, AMessageWithoutFurtherPartsKeepsItsPage)
{
    const std::string source = Crlf("Content-Type: text/plain\n\nHallo\n");
    EXPECT_EQ(ComposePreviewPage(source, {}, false, {}).text, "<meta charset=\"utf-8\">\r\nHallo<br>\r\n");
}

TEST(HtmlToTextLines, BlockElementsEndLines)
{
    EXPECT_EQ(HtmlToTextLines("<div>a</div><div>b <b>fett</b></div>"), "a\r\nb fett");
    EXPECT_EQ(HtmlToTextLines("x<br>y<BR/>z"), "x\r\ny\r\nz");
    EXPECT_EQ(HtmlToTextLines("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>"), "1 2\r\n3");
    EXPECT_EQ(HtmlToTextLines("<bdi>a</bdi>b"), "a b");  // "b..." is no "br"
}

}  // namespace
}  // namespace vellumine

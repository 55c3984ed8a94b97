// Which files a message lists, under which names and sizes, and how the
// page and the text export show the list.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "../mime/MessageBuilder.h"
#include "mime/MailMessage.h"
#include "mime/MessageAttachments.h"
#include "platform/Ascii.h"
#include "render/AttachmentList.h"
#include "render/MessagePage.h"

namespace vellumine {
namespace {

using testing::Crlf;

std::string Section(const std::string& headers, const std::string& body, const char* boundary = "m")
{
    return std::string("--") + boundary + "\n" + headers + "\n" + body + "\n";
}

std::string Mixed(const std::string& sections, const char* boundary = "m")
{
    return std::string("Content-Type: multipart/mixed; boundary=\"") + boundary + "\"\n\n" + sections + "--" +
           boundary + "--\n";
}

const std::string kText = Section("Content-Type: text/plain\n", "Hier das Rezept.");
const std::string kRecipe =
    Section("Content-Type: text/plain; name=\"apfelkuchen.txt\"\nContent-Disposition: attachment\n", "Mehl, Zucker");
const std::string kPdf = Section("Content-Type: application/pdf\nContent-Transfer-Encoding: base64\n", "JVBERi0x");

struct Listed {
    std::string fileName;
    std::string contentType;
    std::size_t size;
};

std::vector<Listed> ListOf(const std::string& source)
{
    TMailMessage message;
    message.ParseString(Crlf(source));
    std::vector<Listed> listed;
    for (const TAttachment& entry : ListAttachments(message))
        listed.push_back({entry.fileName, entry.contentType, entry.size});
    return listed;
}

struct ListCase {
    const char* name;
    std::string source;
    std::vector<std::string> names;  // the listed file names, in order
};

class AttachmentListing : public ::testing::TestWithParam<ListCase> {};

TEST_P(AttachmentListing, ListsTheFilesThePageDoesNotShow)
{
    std::vector<std::string> names;
    for (const Listed& entry : ListOf(GetParam().source))
        names.push_back(entry.fileName);
    EXPECT_EQ(names, GetParam().names);
}

const std::string kRelatedImage =
    "Content-Type: multipart/related; boundary=\"r\"\n\n" +
    Section("Content-Type: text/html\n", "<img src=\"cid:bild1\">", "r") +
    Section("Content-Type: image/gif; name=\"bild1.gif\"\nContent-ID: <bild1>\n", "GIF89a", "r") +
    Section("Content-Type: image/gif; name=\"nie.gif\"\nContent-ID: <nie>\n", "GIF89a", "r") + "--r--\n";

const std::string kForwarded = "Content-Type: message/rfc822\n\n" +
                               Mixed(Section("Content-Type: text/plain\n", "Innen", "i") +
                                         Section("Content-Type: application/zip; name=\"innen.zip\"\n", "PK", "i"),
                                     "i");

std::string Image(const char* name, const char* contentId, const char* boundary)
{
    return Section(std::string("Content-Type: image/gif; name=\"") + name + "\"\nContent-ID: " + contentId + "\n",
                   std::string("GIF89a ") + name, boundary);
}

const std::string kReferencedByTheTextVersionOnly =
    "Content-Type: multipart/related; boundary=\"r\"\n\n" +
    Section("Content-Type: multipart/alternative; boundary=\"a\"\n",
            Section("Content-Type: text/plain\n", "Siehe \"cid:bild1\"", "a") +
                Section("Content-Type: text/html\n", "<p>ohne Bild</p>", "a") + "--a--",
            "r") +
    Image("bild1.gif", "<bild1>", "r") + "--r--\n";

const std::string kReferencedByAFurtherHtmlPart =
    Mixed(Section("Content-Type: text/html\n", "<p>eins</p>") + Image("bild1.gif", "<bild1>", "m") +
          Section("Content-Type: text/html\n", "<img src=\"cid:bild1\">"));

const std::string kReferencedByTheAttachedMessage =
    Mixed(kText + Image("bild1.gif", "<bild1>", "m") +
          Section("Content-Type: message/rfc822\n", "Subject: innen\nContent-Type: text/html\n\n<img src=\"cid:bild1\">"));

const std::string kTwoPartsOfOneIdentifier = "Content-Type: multipart/related; boundary=\"r\"\n\n" +
                                             Section("Content-Type: text/html\n", "<img src=\"cid:bild1\">", "r") +
                                             Image("erst.gif", "<bild1>", "r") + Image("zweit.gif", "<bild1>", "r") +
                                             "--r--\n";

std::string Nested(int depth)
{
    std::string message = "Subject: innen\n\nText\n";
    for (int level = 0; level < depth; ++level) {
        const std::string boundary = "n" + std::to_string(level);
        message = Mixed(Section("Content-Type: text/plain\n", "Ebene", boundary.c_str()) +
                            Section("Content-Type: message/rfc822\n", message, boundary.c_str()),
                        boundary.c_str());
    }
    return message;
}

INSTANTIATE_TEST_SUITE_P(
    Structures, AttachmentListing,
    ::testing::Values(
        ListCase{"NamedTextMarkedAsAttachment", Mixed(kText + kRecipe), {"apfelkuchen.txt"}},
        ListCase{"NamelessGetsAStandInFromItsType", Mixed(kText + kRecipe + kPdf), {"apfelkuchen.txt", "Anlage 2.pdf"}},
        ListCase{"ImageTheHtmlShowsIsNotListed", kRelatedImage, {"nie.gif"}},
        ListCase{"InlineTextAndEmptyNamelessPartsAreNot",
                 Mixed(kText + Section("Content-Type: text/plain\n", "Noch ein Text") +
                       Section("Content-Type: application/octet-stream\n", "")),
                 {}},
        ListCase{"EmptyNamedFileIsListed",
                 Mixed(kText + Section("Content-Type: application/octet-stream; name=\"leer.dat\"\n", "")), {"leer.dat"}},
        ListCase{"SignatureOfASignedMessage",
                 "Content-Type: multipart/signed; boundary=\"s\"\n\n" +
                     Section("Content-Type: text/plain\n", "Signiert", "s") +
                     Section("Content-Type: application/pkcs7-signature; name=\"smime.p7s\"\n", "MIIB", "s") + "--s--\n",
                 {"smime.p7s"}},
        ListCase{"FilesOfAnAttachedMessageAfterTheOwnOnes", Mixed(kText + Section("Content-Type: message/rfc822\n",
                                                                          kForwarded.substr(kForwarded.find("\n\n") + 2)) +
                                                                  kRecipe),
                 {"apfelkuchen.txt", "innen.zip"}},
        ListCase{"AttachedMessageBeyondTheShownDepthIsAFile", Nested(5), {"Anlage 1.eml"}},
        ListCase{"UuencodedFile",
                 "Subject: uu\n\nVorher\nbegin 644 kuchen.txt\n#86)C\n`\nend\nNachher\n", {"kuchen.txt"}},
        ListCase{"ImageNamedOnlyByTheTextThePageDoesNotShow", kReferencedByTheTextVersionOnly, {"bild1.gif"}},
        ListCase{"ImageOfAFurtherHtmlPartIsNot", kReferencedByAFurtherHtmlPart, {}},
        ListCase{"ImageTheAttachedMessageShowsIsNot", kReferencedByTheAttachedMessage, {}},
        // Both are written under one name; the page shows the later one.
        ListCase{"EarlierOfTwoPartsOfOneIdentifier", kTwoPartsOfOneIdentifier, {"erst.gif"}},
        // The page loads the part the reference names as written before
        // the one its escapes decode to.
        ListCase{"OnlyOnePartPerReference",
                 "Content-Type: multipart/related; boundary=\"r\"\n\n" +
                     Section("Content-Type: text/html\n", "<img src=\"cid:a%41/\">", "r") +
                     Image("roh.gif", "<a%41/>", "r") + Image("dekodiert.gif", "<aA/>", "r") + "--r--\n",
                 {"dekodiert.gif"}}),
    [](const auto& test) { return std::string(test.param.name); });

// A "cid:" reference names the Content-ID without its brackets, with
// percent escapes as a URL writes them: the browser decodes them when it
// loads the image, so such an image is on the page and not in the list.
TEST(AttachmentListing, ImagesReferencedByContentId)
{
    struct Case {
        const char* contentId;
        const char* html;
        bool listed;
    } const cases[] = {
        {"<bild1>", "<img src=\"cid:bild1\">", false},
        {"bild1", "<img src=\"CID:bild1\">", false},
        {"<bild@1>", "<img src=\"cid:bild%401\">", false},
        {"<a/b@x>", "<img src=\"cid:a%2fb%40x\">", false},
        {"<a b>", "<img src=\"cid:a%20b\">", false},
        {"<bild@1>", "<img src=\"cid:bild%402\">", true},
        {"<bild@1>", "<img src=\"cid:bild%4\">", true},
        {"<bild@1>", "<p>kein Verweis</p>", true},
        // Only a reference that opens a double-quoted value becomes a file
        // name on the page; any other leaves the image missing there.
        {"<bild1>", "<img src=cid:bild1>", true},
        {"<bild1>", "<img src='cid:bild1'>", true},
        {"<img>", "<img src=\"cid:img10\">", true},
        {"<img>", "<img src=\"cid:img\">", false},
        {"<img>", "<img src=\"cid:Img\">", true},
        {"<bild1>", "<img src=\"cid:bild1 \">", true},
        {"<bild1>", "<img src=\"Cid:cid:bild1\">", false},
        {"<bild1>", "<div style=\"background:url(cid:bild1)\">", true},
        {"<bild1>", "<img alt=\"Bild\" src=\"x\"><p>cid:bild1</p>", true},
        {"<bild1>", "<img src=\"cid:bild1\"><img src='cid:bild1'>", false},
    };
    for (const Case& c : cases) {
        const std::string source = "Content-Type: multipart/related; boundary=\"r\"\n\n" +
                                   Section("Content-Type: text/html\n", c.html, "r") +
                                   Section(std::string("Content-Type: image/gif; name=\"b.gif\"\nContent-ID: ") +
                                               c.contentId + "\n",
                                           "GIF89a", "r") +
                                   "--r--\n";
        EXPECT_EQ(ListOf(source).size(), c.listed ? 1u : 0u) << c.contentId << " " << c.html;
    }
}

// The files a browser loads for the page: each double-quoted source, its
// percent escapes decoded, that names a part file written for it.
std::set<std::string> LoadedPartContents(const PreviewPage& page)
{
    std::set<std::string> loaded;
    const std::regex source("src=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(page.text.begin(), page.text.end(), source); it != std::sregex_iterator();
         ++it) {
        const std::string name = PercentDecode((*it)[1].str());
        const auto last = std::find_if(page.parts.rbegin(), page.parts.rend(),
                                       [&name](const InlineFile& file) { return file.fileName == name; });
        if (last != page.parts.rend())
            loaded.insert(last->bytes);
    }
    return loaded;
}

// Whatever way a body names its images, each one is either on the page or
// in its list, never both and never neither.
TEST(AttachmentListing, EveryImageIsShownOrListed)
{
    const std::string html = "<img src=\"cid:gleich\"><img src=cid:ohne><img src='cid:einfach'>"
                             "<img src=\"cid:bild10\"><img src=\"CID:pro%7Ezent\"><img src=\"cid:a/b\">"
                             "<img src=\"cid:doppelt\"><div style=\"background:url(cid:stil)\"></div>";
    const std::string inner = Mixed(Section("Content-Type: text/html\n", "<img src=\"cid:innen\">", "i") +
                                        Image("innen.gif", "<innen>", "i") + Image("aussen.gif", "<nicht>", "i"),
                                    "i");
    const std::string source =
        Mixed(Section("Content-Type: multipart/related; boundary=\"r\"\n",
                      Section("Content-Type: text/html\n", html, "r") + Image("gleich.gif", "<gleich>", "r") +
                          Image("ohne.gif", "<ohne>", "r") + Image("einfach.gif", "<einfach>", "r") +
                          Image("bild1.gif", "<bild1>", "r") + Image("prozent.gif", "<pro~zent>", "r") +
                          Image("pfad.gif", "<a/b>", "r") + Image("doppelt1.gif", "<doppelt>", "r") +
                          Image("doppelt2.gif", "<doppelt>", "r") + Image("stil.gif", "<stil>", "r") + "--r--",
                      "m") +
              Section("Content-Type: message/rfc822\n", inner));
    const PreviewPage page = ComposePreviewPage(Crlf(source), {}, false, {});
    const std::set<std::string> loaded = LoadedPartContents(page);
    std::set<std::string> listed;
    for (const TAttachment& entry : page.attachments)
        listed.insert(entry.fileName);
    const char* const names[] = {"gleich.gif",   "ohne.gif",     "einfach.gif", "bild1.gif", "prozent.gif", "pfad.gif",
                                 "doppelt1.gif", "doppelt2.gif", "stil.gif",    "innen.gif", "aussen.gif"};
    for (const std::string name : names) {
        const bool shown = loaded.count("GIF89a " + name) != 0;
        EXPECT_NE(shown, listed.count(name) != 0) << name << (shown ? " shown and listed" : " neither shown nor listed");
    }
    EXPECT_EQ(listed, (std::set<std::string>{"ohne.gif", "einfach.gif", "bild1.gif", "doppelt1.gif", "stil.gif",
                                             "aussen.gif"}));
}

// Each "cid:" is read only as far as it matches: a body of many references
// and a part with a long Content-ID are listed at once.
TEST(AttachmentListing, ManyReferencesAndALongIdentifierEndQuickly)
{
    std::string html;
    for (int i = 0; i < 200000; ++i)
        html += "cid:";
    const std::string source = "Content-Type: multipart/related; boundary=\"r\"\n\n" +
                               Section("Content-Type: text/html\n", html, "r") +
                               Section("Content-Type: image/gif\nContent-ID: <" + std::string(50000, 'x') + ">\n",
                                       "GIF89a", "r") +
                               "--r--\n";
    EXPECT_EQ(ListOf(source).size(), 1u);
}

TEST(AttachmentNames, DecodedCleanedAndSized)
{
    const auto listed = ListOf(Mixed(
        kText +
        Section("Content-Type: application/pdf\nContent-Disposition: attachment;\n filename*0*=utf-8''Rechnung%20M;\n"
                " filename*1*=%C3%A4rz.pdf\nContent-Transfer-Encoding: base64\n",
                "JVBERi0xLjQK") +
        Section("Content-Type: text/plain; name=\"=?iso-8859-1?Q?Gr=FC=DFe.txt?=\"\nContent-Disposition: attachment\n",
                "x") +
        Section("Content-Type: application/octet-stream; name=\"../../etc/pa\\sswd\"\n", "x") +
        Section("Content-Type: application/octet-stream; name=\"rechnung\xE2\x80\xAE"
                "fdp.exe\"\n",
                "x") +
        Section("Content-Type: application/octet-stream; name=\"zeile\\\x01zwei\"\n", "x")));
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(listed[0].fileName, "Rechnung März.pdf");
    EXPECT_EQ(listed[0].contentType, "application/pdf");
    EXPECT_EQ(listed[0].size, 9u);
    EXPECT_EQ(listed[1].fileName, "Grüße.txt");
    EXPECT_EQ(listed[2].fileName.find('/'), std::string::npos);
    EXPECT_EQ(listed[3].fileName, "rechnung_fdp.exe");
    EXPECT_EQ(listed[4].fileName.find('\x01'), std::string::npos);
}

TEST(AttachmentSizes, GermanNumbers)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 Bytes"},          {1, "1 Byte"},          {850, "850 Bytes"},      {1023, "1.023 Bytes"},
        {1024, "1,0 KB"},        {12800, "12,5 KB"},     {524288, "512 KB"},      {1258291, "1,2 MB"},
        {80000000, "76,3 MB"},   {1048064, "1.024 KB"},  {5ull << 40, "5,0 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(GermanByteSize(bytes), text) << bytes;
}

TEST(AttachmentLinks, PreviewLinksAndFileAddresses)
{
    TAttachment entry;
    entry.number = 12;
    EXPECT_EQ(PreviewAttachmentHref(entry), "anlage:12");
    EXPECT_EQ(AttachmentNumberOfHref("anlage:12"), 12u);
    for (const char* other : {"anlage:", "anlage:1x", "anlage:-1", "Anlage:1", "file:///etc/passwd",
                              "anlage:99999999999999999999", ""})
        EXPECT_EQ(AttachmentNumberOfHref(other), 0u) << other;
    EXPECT_EQ(RelativeFileHref("Brief Anlagen/März #1.pdf"), "Brief%20Anlagen/M%C3%A4rz%20%231.pdf");
    EXPECT_EQ(RelativeFileHref("a:b"), "a%3Ab");
}

std::string PageOf(const std::string& source, bool links)
{
    return ComposePreviewPage(Crlf(source), {}, false, {}, links).text;
}

TEST(AttachmentBlock, AfterTheTextAndInsideTheAttachedMessage)
{
    const std::string source =
        Mixed(kText + Section("Content-Type: message/rfc822\n", kForwarded.substr(kForwarded.find("\n\n") + 2)) + kRecipe);
    const std::string page = PageOf(source, true);
    const auto text = page.find("Hier das Rezept.");
    const auto inner = page.find("<a href=\"anlage:2\">innen.zip</a>");
    const auto own = page.find("<a href=\"anlage:1\">apfelkuchen.txt</a> <span style=\"color:#666\">(text/plain, 12 Bytes)");
    ASSERT_NE(inner, std::string::npos) << page;
    ASSERT_NE(own, std::string::npos) << page;
    EXPECT_LT(text, inner);
    EXPECT_LT(inner, own);  // the attached message's block comes before the message's own list
    EXPECT_EQ(PageOf(source, false).find("<a href"), std::string::npos);

    const PreviewPage preview = ComposePreviewPage(Crlf(source), {}, false, {}, true);
    ASSERT_EQ(preview.attachments.size(), 2u);
    EXPECT_EQ(preview.attachments[1].fileName, "innen.zip");
    EXPECT_EQ(preview.attachments[1].part, nullptr);
}

TEST(AttachmentBlock, HostileNamesStayText)
{
    const std::string page =
        PageOf(Mixed(kText + Section("Content-Type: application/octet-stream; name=\"<img src=x onerror=alert(1)>\"\n", "x")),
               true);
    EXPECT_EQ(page.find("<img"), std::string::npos) << page;
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos) << page;
}

TEST(AttachmentBlock, NoneWithoutAttachments)
{
    EXPECT_EQ(PageOf("Content-Type: text/plain\n\nHallo\n", true).find("Anlagen"), std::string::npos);
    EXPECT_EQ(PageOf(kRelatedImage.substr(0, kRelatedImage.find("--r\nContent-Type: image/gif; name=\"nie")) + "--r--\n", true)
                  .find("Anlagen"),
              std::string::npos);
}

TEST(AttachmentText, TheTextExportsClosingList)
{
    TMailMessage message;
    message.ParseString(Crlf(Mixed(kText + kRecipe + kPdf)));
    EXPECT_EQ(AttachmentListText(ListAttachments(message)),
              "Anlagen:\r\n  apfelkuchen.txt (text/plain, 12 Bytes)\r\n  Anlage 2.pdf (application/pdf, 6 Bytes)\r\n");
    EXPECT_EQ(AttachmentListText({}), "");
}

}  // namespace
}  // namespace vellumine

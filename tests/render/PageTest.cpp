#include <gtest/gtest.h>

#include <filesystem>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "mime/MailMessage.h"
#include "platform/FileAccess.h"
#include "render/HeaderBlock.h"
#include "render/InlineParts.h"
#include "render/MessagePage.h"
#include "render/TempFiles.h"

namespace vellumine {
namespace {

const HeaderFields kFields{"Anna", "Bernd", "Treffen", "24.12.2003 14:05:06"};
const std::string kRows = "<tr><td><b>Von:</b></td><td>Anna</td></tr><tr><td><b>An:</b></td><td>Bernd</td></tr>"
                          "<tr><td><b>Datum:</b></td><td>24.12.2003 14:05:06</td></tr>"
                          "<tr><td><b>Betreff:</b></td><td>Treffen</td></tr>";

std::unique_ptr<TMailMessage> Parsed(const std::string& source)
{
    auto message = std::make_unique<TMailMessage>();
    message->ParseString(source);
    message->IndexParts();
    return message;
}

TEST(TXT2HTML, EachLineGetsABreakAndMarkupStaysText)
{
    auto m = Parsed("Content-Type: text/plain\r\n\r\nerste\r\n\r\n<b>dritte</b> & mehr\r\n");
    TXT2HTML(*m);
    EXPECT_EQ(m->HtmlBodyLines.Lines(),
              (std::vector<std::string>{"erste<br>", "<br>", "&lt;b&gt;dritte&lt;/b&gt; &amp; mehr<br>"}));
    auto none = Parsed("Content-Type: image/gif\r\n\r\nGIF");
    TXT2HTML(*none);
    EXPECT_TRUE(none->HtmlBodyLines.Empty());
}

TEST(TXT2HTML, IndentationAndRunsOfBlanksStay)
{
    const struct {
        const char* line;
        const char* html;
    } cases[] = {
        {"ein Wort", "ein Wort<br>"},                          // single blanks stay breakable
        {"  > zitiert", "&nbsp;&nbsp;&gt; zitiert<br>"},        // indentation
        {"Summe:   12,50", "Summe: &nbsp;&nbsp;12,50<br>"},     // a run keeps its width
        {"\tEinzug", "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Einzug<br>"},
        {"ab\tc", "ab &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;c<br>"},     // to the next tab stop
        {"\xC3\xBC\tx", "\xC3\xBC &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x<br>"},  // ü is one column
        {"Ende ", "Ende <br>"},
    };
    for (const auto& c : cases) {
        auto m = Parsed(std::string("Content-Type: text/plain; charset=utf-8\r\n\r\n") + c.line + "\r\n");
        TXT2HTML(*m);
        ASSERT_EQ(m->HtmlBodyLines.Count(), 1u) << c.line;
        EXPECT_EQ(m->HtmlBodyLines.Lines()[0], c.html) << c.line;
    }
}

TEST(HeaderBlock, RowsFollowTheSwitches)
{
    EXPECT_EQ(MakeHeaderBlock(kFields, PageDesign{}), "<table>" + kRows + "</table><hr><p>");
    PageDesign senderAndDate{.showTo = false, .showSubject = false};
    EXPECT_EQ(MakeHeaderBlock(kFields, senderAndDate),
              "<table><tr><td><b>Von:</b></td><td>Anna</td></tr>"
              "<tr><td><b>Datum:</b></td><td>24.12.2003 14:05:06</td></tr></table><hr><p>");
    EXPECT_EQ(MakeHeaderBlock(kFields, PageDesign{"", false, false, false, false}), "");
    const HeaderFields hostile{"<script>x</script>", "a&b", "\"q\"", ""};
    EXPECT_EQ(MakeHeaderBlock(hostile, PageDesign{"", true, true, false, true}),
              "<table><tr><td><b>Von:</b></td><td>&lt;script&gt;x&lt;/script&gt;</td></tr>"
              "<tr><td><b>An:</b></td><td>a&amp;b</td></tr>"
              "<tr><td><b>Betreff:</b></td><td>&quot;q&quot;</td></tr></table><hr><p>");
}

class DesignTemplate : public ::testing::Test {
protected:
    std::string Template(const std::string& text)
    {
        const std::string path = FFolder.File("vorlage.htm");
        storewriter::WriteFileBytes(path, text);
        return path;
    }

    std::vector<std::string> Page(const std::string& templatePath, const HeaderFields& fields = kFields,
                                  PageDesign design = {}, const std::string& body = "Hallo")
    {
        auto m = Parsed("Content-Type: text/html\r\n\r\n" + body + "\r\n");
        design.templatePath = templatePath;
        AddHTMLHeader(*m, fields, design);
        return m->HtmlBodyLines.Lines();
    }

    testing::TempFolder FFolder;
};

TEST_F(DesignTemplate, PlaceholdersAreFilled)
{
    const auto page = Page(Template("<h1>\r\n%%UEBERSCHRIFT%%\r\n</h1>\r\n%%INHALT%%\r\n%%UNTERSCHRIFT%%\r\n"));
    EXPECT_EQ(page, (std::vector<std::string>{"<h1>", "Treffen", "</h1>", "<table>" + kRows + "</table><hr><p>",
                                              "Hallo", "", "Treffen von Anna an Bernd vom 24.12.2003 14:05:06"}));
}

TEST_F(DesignTemplate, EmptySubjectAndSwitchesOff)
{
    const HeaderFields noSubject{"Anna", "Bernd", "", "24.12.2003"};
    const auto page = Page(Template("%%UEBERSCHRIFT%%\n%%UNTERSCHRIFT%%\n%%INHALT%%\n"), noSubject,
                           PageDesign{"", false, false, false, false});
    EXPECT_EQ(page, (std::vector<std::string>{"eMail-Nachricht", " von Anna an Bernd vom 24.12.2003", "Hallo", ""}));
}

TEST_F(DesignTemplate, OnlyWholeLinesInCapitalsArePlaceholders)
{
    EXPECT_EQ(Page(Template("%%INHALT%%\n%%INHALT%%\n"), kFields, PageDesign{"", false, false, false, false}),
              (std::vector<std::string>{"Hallo", "", "Hallo", ""}));
    EXPECT_EQ(Page(Template(" %%INHALT%%\n%%inhalt%%\n")),
              (std::vector<std::string>{" %%INHALT%%", "%%inhalt%%"}));
}

TEST_F(DesignTemplate, MissingOrEmptyTemplates)
{
    // The body's own final line break leaves an empty line where it stood.
    const std::vector<std::string> alone = {"<table>" + kRows + "</table><hr><p>", "Hallo", ""};
    EXPECT_EQ(Page(""), alone);
    EXPECT_EQ(Page(FFolder.File("gibt-es-nicht.htm")), alone);
    EXPECT_EQ(Page(FFolder.Path()), alone) << "a folder is not a template";
    EXPECT_TRUE(Page(Template("")).empty());
}

TEST_F(DesignTemplate, FullDocumentBodyAndEscapedHeadingAndFooter)
{
    const HeaderFields hostile{"<i>A</i>", "B", "<script>alert(1)</script>", "d"};
    const auto page = Page(Template("%%UEBERSCHRIFT%%\n%%INHALT%%\n%%UNTERSCHRIFT%%\n"), hostile,
                           PageDesign{"", false, false, false, false}, "<html><body>x</body></html>");
    EXPECT_EQ(page, (std::vector<std::string>{"&lt;script&gt;alert(1)&lt;/script&gt;", "<html><body>x</body></html>", "",
                                              "&lt;script&gt;alert(1)&lt;/script&gt; von &lt;i&gt;A&lt;/i&gt; an B vom d"}));
}

TEST(ConvertCID, ReferencesAndBaseElements)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"<img src=\"cid:a@b\">", "<img src=\"a@b\">"},
        {"<img src=\"CID:a\"><img src=\"Cid:b\">", "<img src=\"a\"><img src=\"b\">"},
        {"<img src=cid:a><img src='cid:b'>", "<img src=cid:a><img src='cid:b'>"},
        {"<BASE href=x><base href=y>", "<BBSE href=x><bBse href=y>"},
        {"nichts", "nichts"},
        {"<img src=\"cid:CID:x\">", "<img src=\"x\">"},  // one dropped scheme brings up the next
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertCIDLine(c.in), c.out) << c.in;
    EXPECT_EQ(ConvertCIDLine("<img src=\"cid:../x\">", {{"../x", "cid_.._x_1"}}), "<img src=\"cid_.._x_1\">");
    // A line of a million references is converted in one pass.
    std::string many;
    for (int i = 0; i < 1000000; ++i)
        many += "\"cid:";
    EXPECT_EQ(ConvertCIDLine(many, {{"", "x"}}).size(), 1000000u * 2);
}

TEST(ConvertCID, EscapedReferenceToARenamedPart)
{
    const InlineNameMap renamed{{"a/b@x", "cid_a_b@x_1"}, {"a%40b", "cid_a_40b_2"}};
    EXPECT_EQ(ConvertCIDLine("<img src=\"cid:a%2Fb%40x\">", renamed), "<img src=\"cid_a_b@x_1\">");
    // The identifier as written wins over the one it would decode to.
    EXPECT_EQ(ConvertCIDLine("<img src=\"cid:a%40b\">", renamed), "<img src=\"cid_a_40b_2\">");
    EXPECT_EQ(ConvertCIDLine("<img src=\"cid:a%2Fc\">", renamed), "<img src=\"a%2Fc\">");
}

TEST(InlineParts, IdentifiersAndSafeNames)
{
    EXPECT_EQ(InlineIdentifier("<a@b>"), "a@b");
    EXPECT_EQ(InlineIdentifier("a@b"), "a@b");
    EXPECT_EQ(InlineIdentifier("<>"), "");
    EXPECT_EQ(SafeInlineFileName("image001.png@01C3A1B2"), "image001.png@01C3A1B2");
    for (const std::string& bad : std::vector<std::string>{"../x", "..", ".", "a/b", "a\\b", "a#b", "a?b", "a%41",
                                                          "a:b", "a\nb", std::string(201, 'x')}) {
        const std::string safe = SafeInlineFileName(bad);
        EXPECT_NE(safe, bad);
        EXPECT_EQ(safe.find_first_of("/\\#?%:\n"), std::string::npos) << safe;
        EXPECT_LE(safe.size(), 200u);
        EXPECT_NE(safe, "..");
    }
    EXPECT_NE(SafeInlineFileName("a/b"), SafeInlineFileName("a\\b"));
}

std::string RelatedMessage(const std::vector<std::pair<std::string, std::string>>& images)
{
    std::string html, parts;
    for (const auto& [id, data] : images) {
        html += "<img src=\"cid:" + id + "\">";
        parts += "--r\r\nContent-Type: image/gif\r\nContent-ID: <" + id + ">\r\n\r\n" + data + "\r\n";
    }
    return "Content-Type: multipart/related; boundary=r\r\n\r\n--r\r\nContent-Type: text/html\r\n\r\n" + html +
           "\r\n" + parts + "--r--\r\n";
}

TEST(InlineParts, PartsLandInTheFolderUnderTheirNames)
{
    testing::TempFolder folder;
    std::filesystem::create_directories(folder.File("ziel"));
    const std::string target = folder.File("ziel");
    auto m = Parsed(RelatedMessage({{"eins@x", "G1"}, {"../../boese", "G2"}, {"eins@x", "G3"}}));
    TTempFileList record;
    const InlineNameMap renamed = SaveInlineParts(*m, target, &record);
    EXPECT_EQ(ReadFileBytes(JoinPath(target, "eins@x")), "G3") << "the later part of one name wins";
    ASSERT_EQ(renamed.count("../../boese"), 1u);
    EXPECT_EQ(ReadFileBytes(JoinPath(target, renamed.at("../../boese"))), "G2");
    EXPECT_FALSE(std::filesystem::exists(folder.File("boese")));
    EXPECT_EQ(record.Paths().size(), 3u);
    EXPECT_EQ(record.Paths()[0], record.Paths()[2]);

    ConvertCIDSave(m->HtmlBodyLines, JoinPath(target, "mail.htm"), renamed);
    const auto page = ReadFileBytes(JoinPath(target, "mail.htm"));
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("src=\"" + renamed.at("../../boese") + "\""), std::string::npos);
    EXPECT_NE(page->find("src=\"eins@x\""), std::string::npos);
}

TEST(InlineParts, ALinkUnderThePartsNameIsNotFollowed)
{
    testing::TempFolder folder;
    storewriter::WriteFileBytes(folder.File("draussen"), "unberuehrt");
    std::filesystem::create_directories(folder.File("ziel"));
    std::filesystem::create_symlink(folder.File("draussen"), folder.File("ziel/eins@x"));
    auto m = Parsed(RelatedMessage({{"eins@x", "G1"}}));
    EXPECT_THROW(SaveInlineParts(*m, folder.File("ziel"), nullptr), Error);
    EXPECT_EQ(ReadFileBytes(folder.File("draussen")), "unberuehrt");
}

TEST(ComposeMessagePage, WritesRecordsAndRewritesOnTheNextRendering)
{
    testing::TempFolder folder;
    TTempFileList record;
    const PageRequest request{folder.File("mail.htm"), folder.Path(), false, {}, &record};
    ComposeMessagePage(RelatedMessage({{"bild", "GIF"}}), kFields, request);
    EXPECT_EQ(record.Paths(), (std::vector<std::string>{folder.File("bild"), folder.File("mail.htm")}));
    EXPECT_EQ(ReadFileBytes(folder.File("mail.htm")), "<meta charset=\"utf-8\">\r\n<img src=\"bild\">\r\n");

    record.DeleteTempFiles();
    EXPECT_TRUE(record.Paths().empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("bild")));
    record.Add(folder.File("schon-weg"));
    record.DeleteTempFiles();  // files already gone: the list is only emptied
    EXPECT_TRUE(record.Paths().empty());

    ComposeMessagePage("Subject: leer\r\n\r\n", kFields, request);
    EXPECT_EQ(ReadFileBytes(folder.File("mail.htm")), "<meta charset=\"utf-8\">\r\n") << "no body: an empty page";
}

TEST(ListTemplates, HtmFilesInNameOrder)
{
    testing::TempFolder folder;
    for (const char* name : {"Modern.htm", "Brief.htm", "notiz.txt", "Klar.htm"})
        storewriter::WriteFileBytes(folder.File(name), "x");
    EXPECT_EQ(ListTemplates(folder.Path()), (std::vector<std::string>{"Brief.htm", "Klar.htm", "Modern.htm"}));
    EXPECT_TRUE(ListTemplates(folder.File("fehlt")).empty());
}

}  // namespace
}  // namespace vellumine

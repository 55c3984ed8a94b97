// Pages in UTF-8: bodies from their charsets, header words decoded, the
// template converted, one charset declaration.

#include <gtest/gtest.h>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "mime/MailMessage.h"
#include "platform/CharsetConversion.h"
#include "platform/FileAccess.h"
#include "render/MessagePage.h"
#include "render/PageCharset.h"
#include "render/PageMargins.h"

namespace vellumine {
namespace {

// The page as a browser reads it: through the charset it declares.
std::string ReadThroughDeclaredCharset(const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes);
    const std::string charset = DeclaredHtmlCharset(bytes.value_or(""));
    EXPECT_EQ(charset, "utf-8");
    const auto text = ConvertToUtf8(bytes.value_or(""), charset);
    EXPECT_TRUE(text) << "the page is valid in the charset it declares";
    return text.value_or("");
}

std::string PageOf(const std::string& source, const HeaderFields& fields, const std::string& templatePath = "")
{
    testing::TempFolder folder;
    PageDesign design;
    design.templatePath = templatePath;
    ComposeMessagePage(source, fields, PageRequest{folder.File("mail.htm"), folder.Path(), true, design, nullptr});
    return ReadThroughDeclaredCharset(folder.File("mail.htm"));
}

TEST(PageCharset, BodiesOfEveryCharsetReadRightInThePage)
{
    const HeaderFields fields{"=?iso-8859-1?Q?J=FCrgen?=", "Anna", "=?utf-8?Q?Gr=C3=BC=C3=9Fe_aus_K=C3=B6ln?=", "1.1.2004"};
    const struct {
        const char* charset;  // nullptr: none declared
        std::string body;
        const char* shown;
    } cases[] = {
        {"iso-8859-1", "Gr\xFC\xDF" "e aus K\xF6ln", "Grüße aus Köln"},
        {"iso-8859-15", "Preis: 5 \xA4", "Preis: 5 €"},
        {"windows-1252", "\x80 \x93Zitat\x94 \x85", "€ “Zitat” …"},
        {"utf-8", "Grüße aus Köln", "Grüße aus Köln"},
        {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
        {"shift_jis", "\x93\xFA\x96\x7B\x8C\xEA", "日本語"},
        {nullptr, "Grüße ohne Angabe", "Grüße ohne Angabe"},
        {nullptr, "Gr\xFC\xDF" "e ohne Angabe", "Grüße ohne Angabe"},
        {"us-ascii", "Gr\xFC\xDF" "e falsch angegeben", "Grüße falsch angegeben"},
    };
    for (const auto& c : cases) {
        const std::string type = c.charset ? std::string("text/plain; charset=") + c.charset : "text/plain";
        const std::string page = PageOf("Content-Type: " + type + "\r\n\r\n" + c.body + "\r\n", fields);
        EXPECT_NE(page.find(c.shown), std::string::npos) << (c.charset ? c.charset : "none");
        EXPECT_NE(page.find("Jürgen"), std::string::npos);
        EXPECT_NE(page.find("Grüße aus Köln</td>"), std::string::npos) << "subject from its encoded word";
    }
}

TEST(PageCharset, HtmlPartAndTemplateDeclarationsAreReplaced)
{
    testing::TempFolder folder;
    const std::string templatePath = folder.File("Vorlage.htm");
    storewriter::WriteFileBytes(templatePath,
                                "<html><head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                "charset=windows-1252\">\r\n<title>Nachricht</title></head><body>\r\n"
                                "<h1>\xDC" "berschrift</h1>\r\n%%INHALT%%\r\n</body></html>\r\n");
    // The HTML part declares its charset only in its own <meta>.
    const std::string source = "Content-Type: text/html\r\n\r\n<html><head><META charset='koi8-r'></head>"
                               "<body>\xF0\xD2\xC9\xD7\xC5\xD4</body></html>\r\n";
    const std::string page = PageOf(source, {"a", "b", "s", "d"}, templatePath);
    EXPECT_NE(page.find("Überschrift"), std::string::npos);
    EXPECT_NE(page.find("Привет"), std::string::npos);
    EXPECT_EQ(page.find("windows-1252"), std::string::npos);
    EXPECT_EQ(page.find("koi8-r"), std::string::npos);
    EXPECT_EQ(page.find("<meta charset=\"utf-8\">"), page.find("<head>") + 6) << "declared first in the head";
    EXPECT_EQ(page.find("charset"), page.rfind("charset")) << "one declaration";
}

}  // namespace
}  // namespace vellumine

namespace vellumine {
namespace {

TEST(PageMargins, TheTemplatesPageRuleGivesThePrintMargins)
{
    const auto one = TemplatePageMargins("<style>\n  @page { size: auto; margin: 22mm 20mm 20mm 24mm; }\n</style>");
    ASSERT_TRUE(one);
    EXPECT_EQ((std::vector<double>{one->top, one->right, one->bottom, one->left}), (std::vector<double>{22, 20, 20, 24}));
    const auto two = TemplatePageMargins("@page{margin:1.8cm 16mm}");
    ASSERT_TRUE(two);
    EXPECT_EQ((std::vector<double>{two->top, two->right, two->bottom, two->left}), (std::vector<double>{18, 16, 18, 16}));
    const auto inches = TemplatePageMargins("@page { margin: 1in; }");
    ASSERT_TRUE(inches);
    EXPECT_DOUBLE_EQ(inches->left, 25.4);
    EXPECT_FALSE(TemplatePageMargins("body { margin: 10mm }"));
    EXPECT_FALSE(TemplatePageMargins("@page { margin-top: 10mm }"));
    EXPECT_FALSE(TemplatePageMargins("@page { margin: auto }"));
    EXPECT_FALSE(TemplatePageMargins("@page { margin: 10mm"));
}

}  // namespace
}  // namespace vellumine

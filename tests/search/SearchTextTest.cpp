// The pieces the search is made of: word folding, reading a query, and the
// visible text of an HTML body.

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "render/HtmlText.h"
#include "search/SearchQuery.h"
#include "search/WordFolding.h"

namespace vellumine {
namespace {

TEST(WordFolding, UmlautsExpandOrLoseTheirDotsAndAccentsGo)
{
    EXPECT_EQ(FoldWord("müller"), "mueller");
    EXPECT_EQ(FoldWord("grüße"), "gruesse");
    EXPECT_EQ(FoldWord("\xE1\xBA\x9E" "e"), "sse") << "capital sharp s";
    EXPECT_EQ(FoldWord("äöü", UmlautFold::Stripped), "aou");
    EXPECT_EQ(FoldWord("straße", UmlautFold::Stripped), "strasse");
    EXPECT_EQ(FoldWord("café"), "cafe");
    EXPECT_EQ(FoldWord("łódź"), "lodz");
    EXPECT_EQ(FoldWord("œuvre"), "oeuvre");
    EXPECT_EQ(FoldWord("×÷"), "×÷") << "signs in the Latin-1 block stay";
    EXPECT_EQ(FoldWord("привет"), "привет");
    EXPECT_EQ(FoldWord("\xC3"), "\xC3") << "a cut-off character stays as it is";
}

TEST(SearchQueryText, WordsPhrasesPrefixesAndFieldsBecomeQuotedStrings)
{
    EXPECT_EQ(ParseSearchQuery("Rechnung", 0).match, "\"Rechnung\"");
    EXPECT_EQ(ParseSearchQuery("rech*", 0).match, "\"rech\" *");
    EXPECT_EQ(ParseSearchQuery("\"frohe Weihnachten\" gruss", 0).match, "\"frohe Weihnachten\" AND \"gruss\"");
    EXPECT_EQ(ParseSearchQuery("von:anna an:\"Bernd S\" betreff:treff*", 0).match,
              "sender : \"anna\" AND recipients : \"Bernd S\" AND subject : \"treff\" *");
    EXPECT_EQ(ParseSearchQuery("ordner:Archiv anhang:pdf", 0).match, "folder : \"Archiv\" AND attachments : \"pdf\"");
    EXPECT_EQ(ParseSearchQuery("OR NOT ( x:y", 0).match, "\"OR\" AND \"NOT\" AND \"(\" AND \"x:y\"")
        << "operators and unknown prefixes are text";
    EXPECT_EQ(ParseSearchQuery("say\"hi", 0).match, "\"sayhi\"") << "a quote inside a word is dropped";
    EXPECT_EQ(ParseSearchQuery("\"offen", 0).match, "\"offen\"") << "an unclosed quote runs to the end";
    EXPECT_TRUE(ParseSearchQuery("   von:  ", 0).Empty());
}

TEST(SearchQueryText, DatesAreLocalPeriodsWithOpenEnds)
{
    const std::uint64_t day = 864000000000ull;
    const std::uint64_t jan2003 = 126858528000000000ull;  // 2003-01-01 00:00 UTC
    const SearchQuery year = ParseSearchQuery("datum:2003", 0);
    EXPECT_EQ(year.from, jan2003);
    EXPECT_EQ(year.until, jan2003 + 365 * day);
    const SearchQuery range = ParseSearchQuery("datum:2003-01..2003-02", 0);
    EXPECT_EQ(range.until, jan2003 + 59 * day);
    EXPECT_EQ(ParseSearchQuery("datum:2004-02-28", 0).until, ParseSearchQuery("datum:2004-02-29", 0).from);
    EXPECT_EQ(ParseSearchQuery("datum:2003-12-31", 0).until, ParseSearchQuery("datum:2004", 0).from);
    EXPECT_FALSE(ParseSearchQuery("datum:2003..", 0).until);
    EXPECT_FALSE(ParseSearchQuery("datum:..2003", 0).from);
    EXPECT_EQ(ParseSearchQuery("datum:2003", 3600).from, jan2003 - 36000000000ull) << "an hour east of UTC";
    EXPECT_EQ(ParseSearchQuery("datum:2003 datum:2003-06..", 0).from, jan2003 + 151 * day) << "ranges intersect";
    for (const char* bad : {"datum:03", "datum:2003-13", "datum:2003-02-29", "datum:..", "datum:2003-1", "datum:heute"})
        EXPECT_THROW(ParseSearchQuery(bad, 0), Error) << bad;
}

TEST(HtmlPlainText, MarkupGoesTextAndReferencesStay)
{
    EXPECT_EQ(HtmlToPlainText("<p>Gr&uuml;&szlig;e<br>aus&nbsp;K&#246;ln &#x20AC; &amp; &bogus; a&b</p>"),
              "Grüße aus Köln € & &bogus; a&b");
    EXPECT_EQ(HtmlToPlainText("<style>p{color:red}</style><SCRIPT>var geheim=1;</SCRIPT>sichtbar<!-- nicht -->"),
              "sichtbar");
    EXPECT_EQ(HtmlToPlainText("vorn<script>ohne Ende"), "vorn");
    EXPECT_EQ(HtmlToPlainText("a <b unclosed"), "a");
    EXPECT_EQ(HtmlToPlainText("&#0; &#99999999;"), "\xEF\xBF\xBD &#99999999;");
}

}  // namespace
}  // namespace vellumine

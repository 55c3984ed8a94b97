// The pieces the search is made of: word folding, reading a query, and the
// visible text of an HTML body.

#include <gtest/gtest.h>

#include <algorithm>

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

// The match with the mark of a plain word (found in all its forms) as ^.
std::string Readable(std::string match)
{
    std::replace(match.begin(), match.end(), '\x01', '^');
    return match;
}

TEST(SearchQueryText, TermsAndOperatorsBecomeQuotedFts5)
{
    struct Case {
        const char* typed;
        const char* match;
        bool negated;
    };
    const Case cases[] = {
        {"Rechnung", "\"^Rechnung\"", false},
        {"rech*", "\"rech\" *", false},
        {"\"frohe Weihnachten\" gruss", "(\"frohe Weihnachten\" AND \"^gruss\")", false},
        {"von:anna an:\"Bernd S\" betreff:treff*",
         "((sender : \"^anna\") AND (recipients : \"Bernd S\") AND (subject : \"treff\" *))", false},
        {"ordner:Archiv anhang:pdf", "((folder : \"^Archiv\") AND (attachments : \"^pdf\"))", false},
        {"x:y", "\"^x:y\"", false},
        {"say\"hi", "\"^sayhi\"", false},
        {"\"offen", "\"offen\"", false},
        // Precedence: AND before OR, NOT closest.
        {"a b OR c", "((\"^a\" AND \"^b\") OR \"^c\")", false},
        {"a ODER b", "(\"^a\" OR \"^b\")", false},
        {"-a b", "(\"^b\" NOT \"^a\")", false},
        {"NICHT a b", "(\"^b\" NOT \"^a\")", false},
        {"(a OR b) -c", "((\"^a\" OR \"^b\") NOT \"^c\")", false},
        {"a (b OR c)", "(\"^a\" AND (\"^b\" OR \"^c\"))", false},
        {"von:(müller OR meier)", "((sender : \"^müller\") OR (sender : \"^meier\"))", false},
        {"von:(betreff:x y)", "((subject : \"^x\") AND (sender : \"^y\"))", false},
        {"von:datum:2003", "(sender : \"^datum:2003\")", false},
        {"von:betreff:x", "(sender : \"^betreff:x\")", false},
        // Negation alone: the messages the expression does not find.
        {"-dingus", "\"^dingus\"", true},
        {"-a -b", "(\"^a\" OR \"^b\")", true},
        {"-a OR -b", "(\"^a\" AND \"^b\")", true},
        {"a OR -b", "(\"^b\" NOT \"^a\")", true},
        {"NOT NOT a", "\"^a\"", false},
        // What a typist gets wrong is forgiven; lower case is text.
        {"a oder b", "(\"^a\" AND \"^oder\" AND \"^b\")", false},
        {"OR a OR", "\"^a\"", false},
        {"a) (b", "(\"^a\" AND \"^b\")", false},
        {"a AND b", "(\"^a\" AND \"^b\")", false},
        {"e-mail - x", "(\"^e-mail\" AND \"^x\")", false},
        {"a a a OR a", "\"^a\"", false},
        {"\"a\x01" "b\"", "\"ab\"", false},
        {"(!!!) a -- -!!", "\"^a\"", false},
    };
    for (const Case& c : cases) {
        const SearchQuery query = ParseSearchQuery(c.typed, 0);
        EXPECT_EQ(Readable(query.match), c.match) << c.typed;
        EXPECT_EQ(query.negated, c.negated) << c.typed;
    }
    for (const char* nothing : {"   von:  ", "()", "NOT", "-", "OR AND", "\"\"", "!!! ?", "***"})
        EXPECT_TRUE(ParseSearchQuery(nothing, 0).Empty()) << nothing;
}

TEST(SearchQueryText, HostileQueriesEndCleanly)
{
    std::string repeated;
    for (int i = 0; i < 800; ++i)
        repeated += "wort ";
    EXPECT_EQ(Readable(ParseSearchQuery(repeated, 0).match), "\"^wort\"") << "repeats cost nothing";
    EXPECT_THROW(ParseSearchQuery(std::string(kLongestQuery + 1, 'a'), 0), Error);
    EXPECT_NO_THROW(ParseSearchQuery(std::string(kLongestQuery, 'a'), 0));
    EXPECT_THROW(ParseSearchQuery(std::string(2000, '('), 0), Error) << "nesting is bounded";
    EXPECT_THROW(ParseSearchQuery(std::string(4000, '-') + "a", 0), Error);
    for (const char* mixed : {"datum:2003 OR a", "-datum:2003", "NICHT datum:2003", "datum:(2003 OR 2004)"})
        EXPECT_THROW(ParseSearchQuery(mixed, 0), Error) << mixed;
    const SearchQuery grouped = ParseSearchQuery("(datum:2003 a) b", 0);
    EXPECT_TRUE(grouped.from && grouped.until) << "a group of AND alone is the top level";
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

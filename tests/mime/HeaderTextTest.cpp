#include <gtest/gtest.h>

#include "mime/HeaderText.h"
#include "mime/LineWalker.h"
#include "mime/MimeTypes.h"

namespace vellumine {
namespace {

TEST(HeaderText, Trimming)
{
    EXPECT_EQ(TrimSpaces("\t a\t"), "a\t");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(" a \r\n"), "a \r\n");
    EXPECT_EQ(TrimLeftSpaces(" \t a "), "a ");
    EXPECT_EQ(TrimRightSpaces(" a \t "), " a");
    EXPECT_EQ(PadLeft("f", 2, "0"), "0f");
    EXPECT_EQ(PadLeft(" abc", 2, "0"), "bc");
}

TEST(HeaderText, ReadLineKeepsCrLfAndEndsWithMinusOne)
{
    long long position = 1;
    EXPECT_EQ(ReadLine("a\r\nb", position), "a\r\n");
    EXPECT_EQ(position, 4);
    EXPECT_EQ(ReadLine("a\r\nb", position), "b");
    EXPECT_EQ(position, -1);
    position = 1;
    EXPECT_EQ(ReadLine("a\rb\nc\r\n", position), "a\rb\nc\r\n");
    EXPECT_EQ(position, -1);
}

std::vector<std::string> WalkLines(std::string_view text)
{
    std::vector<std::string> lines;
    LineWalker walker(text);
    while (walker.Next())
        lines.emplace_back(walker.Line());
    EXPECT_TRUE(walker.AtEnd());
    return lines;
}

TEST(HeaderText, LineWalkerSplitsAtCrLfAndLoneLf)
{
    EXPECT_EQ(WalkLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(WalkLines("a\rb"), (std::vector<std::string>{"a\rb"}));
    EXPECT_EQ(WalkLines("a\r\n\r\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(WalkLines("a\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(WalkLines("a\r\rb\n\r\n"), (std::vector<std::string>{"a\r\rb", ""}));
    EXPECT_EQ(WalkLines("x\r"), (std::vector<std::string>{"x\r"}));
    EXPECT_TRUE(WalkLines("").empty());
}

TEST(HeaderText, LineWalkerKnowsTheBreakBeforeEachLine)
{
    // "a" CR LF "b" LF "c": the text before "b" ends at 1, before "c" at 4.
    LineWalker walker("a\r\nb\nc");
    std::vector<std::size_t> ends;
    while (walker.Next())
        ends.push_back(walker.PreviousLineEnd());
    EXPECT_EQ(ends, (std::vector<std::size_t>{0, 1, 4}));
}

TEST(HeaderText, LineWalkerLeapsToALineStartAsIfItHadWalkedThere)
{
    // Leaping to each line start gives the lines and breaks of the walk; a
    // CR that ends the line before an empty LF line is not the leap's break.
    const std::string text = "a\r\nbb\n\ncc\r\r\n\r\nd";
    LineWalker walked(text);
    std::vector<std::size_t> starts;
    while (walked.Next())
        starts.push_back(walked.Start());
    for (std::size_t target = 1; target < starts.size(); ++target) {
        LineWalker stepped(text), leaped(text);
        for (std::size_t i = 0; i <= target; ++i)
            stepped.Next();
        leaped.Next();
        ASSERT_TRUE(leaped.NextFrom(starts[target]));
        EXPECT_EQ(leaped.Start(), stepped.Start()) << target;
        EXPECT_EQ(leaped.Line(), stepped.Line()) << target;
        EXPECT_EQ(leaped.PreviousLineEnd(), stepped.PreviousLineEnd()) << target;
        EXPECT_EQ(leaped.NextStart(), stepped.NextStart()) << target;
    }
    LineWalker toEnd(text);
    toEnd.Next();
    EXPECT_FALSE(toEnd.NextFrom(text.size()));
    EXPECT_TRUE(toEnd.AtEnd());
}

TEST(HeaderText, NormalizeHeaderLine)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"subject:   Hello    World", "Subject: Hello World"},
        {"content-transfer-encoding: base64", "Content-Transfer-Encoding: base64"},
        {"MIME-Version: 1.0", "Mime-Version: 1.0"},
        {"MESSAGE-ID: <a@b>", "Message-ID: <a@b>"},
        {"Content-Id: <x>", "Content-ID: <x>"},
        {"X-Idea: y", "X-Idea: y"},  // a "d" not right before the colon stays small
        {"To: \"A   B\"   <a@b>", "To: \"A   B\" <a@b>"},
        {"To: \"never closed   x", "To: "},
        {"no colon here", "No colon here "},
        {"Subject:\tTab\t first", "Subject: Tab first"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeHeaderLine(c.in), c.out) << c.in;
}

TEST(HeaderText, ValuesAndParameters)
{
    const std::string contentType = "Content-Type: text/plain; charset=iso-8859-1";
    EXPECT_EQ(ExtractHeaderValue(contentType), "text/plain");
    EXPECT_EQ(ExtractHeaderValue("Content-ID: \"<img1@x>\""), "<img1@x>");
    EXPECT_EQ(ExtractHeaderValue("X: \"a;b\"; c=d"), "a;b");
    EXPECT_EQ(ExtractHeaderParam(contentType, "CHARSET"), "iso-8859-1");
    EXPECT_EQ(ExtractHeaderParam("Content-Type: multipart/mixed; boundary=\"a=b;c\"", "BOUNDARY"), "a=b;c");
    EXPECT_EQ(ExtractHeaderParam("Content-Type: multipart/mixed; boundary=abc=def", "boundary"), "abc");
    EXPECT_EQ(ExtractHeaderParam("Content-Type: a; x=1; x=2", "x"), "12");
    EXPECT_EQ(ExtractHeaderParam(contentType, "name"), "");

    EXPECT_EQ(ReplaceHeaderValue(contentType, " text/html "), "Content-Type: text/html; charset=iso-8859-1");
    EXPECT_EQ(ReplaceHeaderValue("no colon", "x"), "no colon");
    EXPECT_EQ(ReplaceHeaderParam("Content-Type: text/plain", "charset", "\"iso-8859-1\""),
              "Content-Type: text/plain; charset=\"iso-8859-1\"");
    EXPECT_EQ(ReplaceHeaderParam("Content-Type: text/plain; charset=us-ascii; format=flowed", "CHARSET", "utf-8"),
              "Content-Type: text/plain; charset=utf-8; format=flowed");
    EXPECT_EQ(ReplaceHeaderParam("Content-Type: text/plain; charset=x", "charset", "y"),
              "Content-Type: text/plain; charset=y");
}

TEST(HeaderText, FindHeaderLineMatchesTheWholeFieldName)
{
    TLineList headers;
    headers.Add("Content-Type-Extra: x");
    headers.Add("Content-Type: text/plain");
    headers.Add("content-type: text/html");
    EXPECT_EQ(FindHeaderLine(&headers, "content-type:", 0), 1);
    EXPECT_EQ(FindHeaderLine(&headers, "content-type:", 1), 2);
    EXPECT_EQ(FindHeaderLine(&headers, "Subject:", 0), -1);
    EXPECT_EQ(FindHeaderLine(nullptr, "Subject:", 0), -1);
}

TEST(HeaderText, MimeTypesAndBoundaries)
{
    EXPECT_EQ(MimeTypeOfFile("bild.JPG"), "image/jpeg");
    EXPECT_EQ(MimeTypeOfFile("C:\\x.y\\datei"), "application/octet-stream");
    EXPECT_EQ(MimeTypeOfFile("archiv.unbekannt123"), "application/octet-stream");
    EXPECT_EQ(FileExtension("a/b.c/d.txt"), ".txt");
    const std::string boundary = MakeBoundary();
    ASSERT_EQ(boundary.size(), 16u);
    EXPECT_EQ(boundary.substr(0, 8), "boundary");
    EXPECT_EQ(boundary.find_first_not_of("0123456789ABCDEF", 8), std::string::npos);
}

TEST(LineList, SplitsAtAnyBreakAndStopsAtNul)
{
    TLineList lines;
    lines.SetText(std::string("a\r\nb\rc\nd\r\n\r\ne\0f", 16));
    EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(lines.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    lines.SetText("x\r\n");
    EXPECT_EQ(lines.Count(), 1u);
}

}  // namespace
}  // namespace vellumine

// The plain-text path appends a text as its lines would give it; every
// ending and cut the line list knows must come out the same.

#include <gtest/gtest.h>

#include "mime/LineList.h"

namespace vellumine {
namespace {

std::string ThroughTheList(std::string_view text)
{
    TLineList lines;
    lines.SetText(text);
    return lines.Text();
}

TEST(LineList, AppendedLinesEqualTheListsText)
{
    using namespace std::string_literals;
    const std::string cases[] = {
        "",
        "eine Zeile",
        "CR LF\r\nLF\nCR\rEnde",
        "am Ende CR LF\r\n",
        "am Ende CR\r",
        "am Ende LF\n",
        "\r\n\r\n",
        "\n\r",
        "\r\r\n\n",
        "vor\0nach\r\nmehr"s,
        "\0"s,
        "Umlaute \xE4\xF6\xFC\r\n\xE4",
    };
    for (const std::string& text : cases) {
        std::string appended = "schon da\r\n";
        AppendAsLines(appended, text);
        EXPECT_EQ(appended, "schon da\r\n" + ThroughTheList(text)) << testing::PrintToString(text);
    }
}

}  // namespace
}  // namespace vellumine

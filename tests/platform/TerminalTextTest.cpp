#include <gtest/gtest.h>

#include "platform/TerminalText.h"

namespace vellumine {
namespace {

TEST(TerminalText, ControlCharactersShowAsQuestionMarks)
{
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"Rechnung\x1b[2J\x1b]0;Titel\x07", "Rechnung?[2J?]0;Titel?"},  // clear screen, window title, bell
        {"Zeile\r\nneu\tSpalte", "Zeile??neu?Spalte"},                   // a forged line or column
        {std::string("a\0b", 3), "a?b"},
        {"\x7f", "?"},                                                    // DEL
        {"\xc2\x9b" "31m", "?31m"},                                       // CSI as UTF-8
        {"\x9b" "31m", "?31m"},                                           // CSI as a stray byte
        {"\xc2\x80 \xc2\x9f", "? ?"},                                     // both ends of C1
        {"\xe2\x82", "\xe2?"},                                              // a cut sequence ending in a C1 byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalText(c.text), c.shown) << c.shown;
}

TEST(TerminalText, PrintableTextStaysAsItIs)
{
    for (const std::string text : {
             "Grüße – „Köln“ € 😀",        // UTF-8 beyond ASCII
             "\xc2\xa0 ~ !",              // the first printable after C1, and the last ASCII ones
             "Gr\xfc\xdf" "e",            // Windows-1252 bytes in a file name
             "\xc3",                      // a sequence cut short
             "\xe2\xa2",                  // likewise, three bytes long
             "",
         })
        EXPECT_EQ(TerminalText(text), text);
}

}  // namespace
}  // namespace vellumine

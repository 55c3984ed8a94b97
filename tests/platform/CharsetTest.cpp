#include <gtest/gtest.h>

#include "platform/Charset.h"

namespace vellumine {
namespace {

TEST(Charset, Windows1252RoundTripsEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToWindows1252(utf8), all);
    EXPECT_EQ(Windows1252ToUtf8("\x80 \xE4\xDF"), "\xE2\x82\xAC \xC3\xA4\xC3\x9F");
    // Runs of ASCII between, before and after other bytes, a NUL among them.
    EXPECT_EQ(Windows1252ToUtf8(std::string("\xE4nd\0e\x80\x80 Gr\xFC\xDF", 12)),
              std::string("\xC3\xA4nd\0e\xE2\x82\xAC\xE2\x82\xAC Gr\xC3\xBC\xC3\x9F", 19));
}

TEST(Charset, UnmappableAndMalformedInput)
{
    EXPECT_EQ(Utf8ToWindows1252("\xE2\x98\x83"), "?");         // a snowman has no byte
    EXPECT_EQ(Utf8ToWindows1252("a\xFF" "b"), "a\xFF" "b");    // stray bytes pass through
    EXPECT_FALSE(IsValidUtf8("\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0\x3D\xD8\x00\xDE" "B\0\0\0C\0", 12)), "A\xF0\x9F\x98\x80" "B");
}

}  // namespace
}  // namespace vellumine

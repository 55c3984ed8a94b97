#include <gtest/gtest.h>

#include <random>

#include <algorithm>
#include <chrono>

#include "mime/Base64.h"
#include "platform/LargeBuffer.h"
#include "mime/QuotedPrintable.h"
#include "mime/UUDecode.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

TEST(QuotedPrintable, Decoding)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"a=3Db", "a=b"},
        {"a=3db", "a=b"},                    // lower-case digits are read too
        {"a=\r\nb", "ab"},                   // soft line break
        {"a= \t\r\nb", "ab"},                // blanks before a soft break
        {"abc=", "abc"},                     // soft break at the very end
        {"=4", "=4"},                        // no escape: kept as written
        {"5 =G0 Euro", "5 =G0 Euro"},
        {"x =\r", "x =\r"},
        {"a\r\nb  \r\n", "a\r\nb  \r\n"},    // hard breaks and trailing blanks stay
        {"M=FCller=\nx", "M\xFCllerx"},       // "=" before a bare LF
        {std::string(5, '='), "===="},       // only the last "=" is a soft break
    };
    for (const auto& c : cases)
        EXPECT_EQ(QPDecode(c.in), c.out) << c.in;
}

TEST(QuotedPrintable, EncodingInBodyMode)
{
    EXPECT_EQ(QPEncode("abc", false), "abc\r\n");
    EXPECT_EQ(QPEncode("x \r\n", false), "x=20\r\n");
    EXPECT_EQ(QPEncode("x\t \r\ny", false), "x=09=20\r\ny\r\n");
    EXPECT_EQ(QPEncode("\xE9", false), "=E9\r\n");
    EXPECT_EQ(QPEncode("", false), "");
    EXPECT_EQ(QPEncode("a=b\rc\n", false), "a=3Db=0Dc\r\n") << "a lone LF is a line break, a lone CR is not";
    EXPECT_EQ(QPEncode("x \ny\n", false), "x=20\r\ny\r\n");
    EXPECT_EQ(QPEncode("\x7F", false), "\x7F\r\n");
    EXPECT_EQ(QPEncode(std::string(100, 'x'), false), std::string(71, 'x') + "=\r\n" + std::string(29, 'x') + "\r\n");
    // A cut never falls inside an escape.
    const std::string encoded = QPEncode(std::string(70, 'x') + "\xE9\xE9", false);
    EXPECT_EQ(encoded, std::string(70, 'x') + "=\r\n=E9=E9\r\n");
    EXPECT_EQ(QPDecode(encoded), std::string(70, 'x') + "\xE9\xE9\r\n");
}

TEST(QuotedPrintable, OneVeryLongLineIsEncodedInLinearTime)
{
    // 1.6 MB in one line took 5.6 s when every piece searched back from
    // the end of the line.
    std::string line;
    for (int i = 0; i < 400000; ++i)
        line += "ab\xE9=";
    const auto started = std::chrono::steady_clock::now();
    const std::string encoded = QPEncode(line, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(QPDecode(encoded), line + "\r\n");
    std::size_t longest = 0;
    for (std::size_t at = 0, next; at < encoded.size(); at = next + 2) {
        next = encoded.find("\r\n", at);
        longest = std::max(longest, next - at);
    }
    EXPECT_LE(longest, 72u);
}

TEST(QuotedPrintable, HeaderWords)
{
    EXPECT_EQ(QPEncode("a b", true), "a=20b");
    EXPECT_EQ(EncodeHeaderWord("a b", "iso-8859-1"), "=?iso-8859-1?Q?a=20b?=");
    EXPECT_EQ(EncodeHeaderWord("abc", "iso-8859-1"), "abc");
    EXPECT_EQ(EncodeHeaderWord("\"x_y?\"", "c"), "=?c?Q?=22x=5Fy=3F=22?=");
}

std::string Decoded(std::string_view line)
{
    std::string out;
    Base64DecodeLine(line, out);
    return out;
}

TEST(Base64, DecodingLinesAndStreams)
{
    EXPECT_EQ(Decoded("YWJj\r\n"), "abc");
    EXPECT_EQ(Decoded("YQ=="), "a");
    EXPECT_EQ(Decoded("YWI="), "ab");
    EXPECT_EQ(Decoded("YW"), "");           // an incomplete group is dropped
    EXPECT_EQ(Decoded("YWJj  \r\n"), "abc");  // blanks take no place in a group
    EXPECT_EQ(Decoded("YW Jj"), "abc");
    EXPECT_EQ(Decoded("=abc"), "");
    EXPECT_EQ(Base64Decode("YWJjZG\r\nVm\r\n"), "abcdef");  // a group across a line break
    EXPECT_EQ(Base64Decode("YQ==YWI="), "aab");             // decoding goes on after padding

    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(Base64Decode(Base64EncodeStream(all)), all);
}

// The whole-text decoder (groups of four, sixteen characters at a time
// where the processor allows) against the same text fed one character at a
// time, which takes the group state machine alone, and fed in uneven
// pieces, whose groups go on across the calls.
TEST(Base64, FastPathsDecodeAsTheGroupStateMachine)
{
    std::mt19937 random(11);
    const std::string strays = " \t\r\n=-.*\x80\xff";
    for (const std::size_t strayEvery : {0u, 3u, 17u, 61u, 200u}) {
        std::string bytes(3000 + strayEvery, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        std::string text = Base64EncodeStream(bytes);
        for (std::size_t at = strayEvery; strayEvery > 0 && at < text.size(); at += strayEvery + random() % 7)
            text.insert(at, 1, strays[random() % strays.size()]);
        std::string oneByOne, inPieces;
        Base64Decoder single, pieces;
        for (const char c : text)
            single.Feed(std::string_view(&c, 1), oneByOne);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t length = 1 + random() % 40;
            pieces.Feed(std::string_view(text).substr(at, length), inPieces);
            at += length;
        }
        const std::string whole = Base64Decode(text);
        ByteBuffer unset;
        Base64Decode(text, unset);
        EXPECT_EQ(whole, oneByOne) << "a stray every " << strayEvery;
        EXPECT_EQ(unset.View(), oneByOne) << "a stray every " << strayEvery;
        EXPECT_EQ(inPieces, oneByOne) << "a stray every " << strayEvery;
        if (strayEvery == 0) {
            EXPECT_EQ(whole, bytes);
        }
    }
}

// Lines of every length around the vector step's 16 characters, with the
// breaks mail carries: each ends after whole groups or inside one.
TEST(Base64, LinesOfAnyLengthAndBreak)
{
    std::mt19937 random(5);
    std::string bytes(4000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    std::string flat = Base64EncodeStream(bytes);
    std::erase(flat, '\r');
    std::erase(flat, '\n');
    for (const std::size_t length : {1u, 3u, 4u, 12u, 15u, 16u, 17u, 28u, 60u, 64u, 72u, 76u, 77u, 100u}) {
        for (const std::string_view lineBreak : {"\r\n", "\n", " \r\n", "\r\n\r\n"}) {
            std::string text;
            for (std::size_t at = 0; at < flat.size(); at += length)
                text.append(flat, at, length).append(lineBreak);
            EXPECT_EQ(Base64Decode(text), bytes) << length << " characters a line";
        }
    }
}

TEST(Base64, EncodingLines)
{
    const std::string line57(57, 'x');
    const std::string encoded = Base64EncodeStream(line57);
    EXPECT_EQ(encoded.size(), 78u);
    EXPECT_EQ(encoded.substr(76), "\r\n");
    const std::string encoded58 = Base64EncodeStream(line57 + "x");
    EXPECT_EQ(encoded58.substr(78), "eA==\r\n");
    EXPECT_EQ(Base64EncodeStream("ab"), "YWI=\r\n");
    EXPECT_EQ(Base64EncodeStream(""), "");
}

TEST(UUDecode, CharactersLinesAndBlocks)
{
    EXPECT_EQ(UUDecodeChar('`'), 0);
    EXPECT_EQ(UUDecodeChar(' '), 0);
    EXPECT_EQ(UUDecodeChar('_'), 63);
    EXPECT_THROW(UUDecodeChar('a'), Error);

    std::string out;
    EXPECT_EQ(UUDecodeLine("#0V%T", out), 3u);
    EXPECT_EQ(out, "Cat");
    out.clear();
    EXPECT_EQ(UUDecodeLine("`", out), 0u);
    EXPECT_EQ(UUDecodeLine("begin 644 cat.txt", out), 0u);
    EXPECT_EQ(UUDecodeLine("", out), 0u);
    EXPECT_EQ(UUDecodeLine("#0V", out), 3u) << "missing data characters count as 0";
    EXPECT_EQ(out, std::string("C`\0", 3));
    out.clear();
    // A count above what the data holds, and a line far longer than 60.
    EXPECT_EQ(UUDecodeLine("_" + std::string(5000, '!'), out), 63u);
    EXPECT_EQ(UUDecodeLine("M" + std::string(5000, '!'), out), 45u);

    EXPECT_EQ(UUDecodeText("begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n"), "Cat");
}

}  // namespace
}  // namespace vellumine

#include "mime/Base64.h"

#include "platform/LargeBuffer.h"

#include <array>
#include <cstdint>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VELLUMINE_BASE64_SSSE3 1
#include <immintrin.h>
#else
#define VELLUMINE_BASE64_SSSE3 0
#endif

namespace vellumine {
namespace {

constexpr unsigned char kPad = 64;
constexpr unsigned char kSkip = 255;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<unsigned char, 256> MakeDecodeTable()
{
    std::array<unsigned char, 256> table{};
    for (auto& v : table)
        v = kSkip;
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    table['='] = kPad;
    return table;
}

constexpr auto kDecode = MakeDecodeTable();

// The value of a character already moved to its place in a group's 24 bits
// (position 0 the highest six); any character outside the alphabet sets a
// bit above them, so one test of four looked-up values finds a group that
// is not four alphabet characters.
constexpr std::uint32_t kNotInAlphabet = 1u << 24;

constexpr std::array<std::uint32_t, 256> MakeShiftedTable(int position)
{
    std::array<std::uint32_t, 256> table{};
    for (std::size_t c = 0; c < 256; ++c) {
        const unsigned char value = kDecode[c];
        table[c] = value < 64 ? static_cast<std::uint32_t>(value) << (6 * (3 - position)) : kNotInAlphabet;
    }
    return table;
}

constexpr auto kShifted0 = MakeShiftedTable(0);
constexpr auto kShifted1 = MakeShiftedTable(1);
constexpr auto kShifted2 = MakeShiftedTable(2);
constexpr auto kShifted3 = MakeShiftedTable(3);

// Bytes a decoding step may write past the ones it decodes (the vector
// path stores 16 bytes for 12).
constexpr std::size_t kOutputSlack = 16;

#if VELLUMINE_BASE64_SSSE3
// Sixteen characters at a time with SSSE3, where the processor has it: each
// character is checked and turned into its six bits by table lookups on its
// two halves (nibbles), and the four values of each group are packed into
// three bytes by two multiply-adds and one shuffle. In a block that holds
// any other character the whole groups before it are taken; a run of
// characters outside the alphabet right after them (a line break) is
// passed over here, anything else (padding, a break inside a group) is
// left to the scalar steps, so results are those of the scalar decoder.
__attribute__((target("ssse3"))) void DecodeBlocksSsse3(const unsigned char*& p, const unsigned char* end,
                                                        unsigned char*& out)
{
    // Per low nibble and per high nibble, bit sets whose overlap marks a
    // character outside the alphabet.
    const __m128i invalidByLow = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13,
                                               0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m128i invalidByHigh = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10,
                                                0x10, 0x10, 0x10, 0x10, 0x10);
    // What to add to a character to get its value, by its high nibble ("/" apart).
    const __m128i offsetByHigh = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i slash = _mm_set1_epi8(0x2F);
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i packPairs = _mm_set1_epi32(0x01400140);
    const __m128i packQuads = _mm_set1_epi32(0x00011000);
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    while (end - p >= 16) {
        const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_and_si128(_mm_srli_epi32(text, 4), nibble);
        const __m128i low = _mm_and_si128(text, nibble);
        const __m128i invalid = _mm_and_si128(_mm_shuffle_epi8(invalidByLow, low), _mm_shuffle_epi8(invalidByHigh, high));
        const unsigned strays = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(invalid, _mm_setzero_si128()))) & 0xFFFF;
        // The whole groups before the first stray (the end of a line) are
        // decoded from this block still; the bytes stored beyond them are
        // written over later or cut off.
        const unsigned groups = strays == 0 ? 4 : static_cast<unsigned>(__builtin_ctz(strays)) / 4;
        const __m128i isSlash = _mm_cmpeq_epi8(text, slash);
        const __m128i values = _mm_add_epi8(text, _mm_shuffle_epi8(offsetByHigh, _mm_add_epi8(isSlash, high)));
        const __m128i pairs = _mm_maddubs_epi16(values, packPairs);
        const __m128i quads = _mm_madd_epi16(pairs, packQuads);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(quads, order));
        p += 4 * groups;
        out += 3 * groups;
        if (groups == 4)
            continue;
        if (kDecode[*p] != kSkip)
            return;
        while (p < end && kDecode[*p] == kSkip)
            ++p;
    }
}

bool HasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

// Decodes whole groups of four alphabet characters from `p` into `out`
// while they last; returns how far it got in both.
inline void DecodeGroups(const unsigned char*& p, const unsigned char* end, unsigned char*& out)
{
#if VELLUMINE_BASE64_SSSE3
    if (HasSsse3())
        DecodeBlocksSsse3(p, end, out);
#endif
    while (end - p >= 8) {
        const std::uint32_t first = kShifted0[p[0]] | kShifted1[p[1]] | kShifted2[p[2]] | kShifted3[p[3]];
        const std::uint32_t second = kShifted0[p[4]] | kShifted1[p[5]] | kShifted2[p[6]] | kShifted3[p[7]];
        if ((first | second) >= kNotInAlphabet)
            break;
        out[0] = static_cast<unsigned char>(first >> 16);
        out[1] = static_cast<unsigned char>(first >> 8);
        out[2] = static_cast<unsigned char>(first);
        out[3] = static_cast<unsigned char>(second >> 16);
        out[4] = static_cast<unsigned char>(second >> 8);
        out[5] = static_cast<unsigned char>(second);
        p += 8;
        out += 6;
    }
    while (end - p >= 4) {
        const std::uint32_t group = kShifted0[p[0]] | kShifted1[p[1]] | kShifted2[p[2]] | kShifted3[p[3]];
        if (group >= kNotInAlphabet)
            return;
        out[0] = static_cast<unsigned char>(group >> 16);
        out[1] = static_cast<unsigned char>(group >> 8);
        out[2] = static_cast<unsigned char>(group);
        p += 4;
        out += 3;
    }
}

}  // namespace

void Base64Decoder::DecodeGroup(unsigned char*& out)
{
    unsigned a = FGroup[0], b = FGroup[1], c = FGroup[2], d = FGroup[3];
    FFilled = 0;
    if (a == kPad || b == kPad)
        return;  // a group that begins with padding holds nothing
    int count = 3;
    if (c == kPad) {
        c = d = 0;
        count = 1;
    } else if (d == kPad) {
        d = 0;
        count = 2;
    }
    const unsigned char bytes[3] = {static_cast<unsigned char>((a << 2) | (b >> 4)),
                                    static_cast<unsigned char>(((b & 15) << 4) | (c >> 2)),
                                    static_cast<unsigned char>(((c & 3) << 6) | d)};
    for (int i = 0; i < count; ++i)
        *out++ = bytes[i];
}

std::size_t Base64Decoder::RoomFor(std::size_t textSize) const
{
    // Every four characters give at most three bytes.
    return (textSize + static_cast<std::size_t>(FFilled)) / 4 * 3 + kOutputSlack;
}

std::size_t Base64Decoder::Feed(std::string_view text, unsigned char* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    unsigned char* o = out;
    while (p < end) {
        if (FFilled == 0) {
            DecodeGroups(p, end, o);
            if (p >= end)
                break;
        }
        const unsigned char value = kDecode[*p++];
        if (value == kSkip) {
            // Line breaks and other strays come in runs: passed over at once.
            while (p < end && kDecode[*p] == kSkip)
                ++p;
            continue;
        }
        FGroup[FFilled++] = value;
        if (FFilled == 4)
            DecodeGroup(o);
    }
    return static_cast<std::size_t>(o - out);
}

void Base64Decoder::Feed(std::string_view text, std::string& out)
{
    // The buffer is reserved once and cut to what was written.
    const std::size_t before = out.size();
    const std::size_t room = RoomFor(text.size());
    ReserveLargeBuffer(out, room);
    out.resize(before + room);
    out.resize(before + Feed(text, reinterpret_cast<unsigned char*>(out.data()) + before));
}

std::size_t Base64DecodeLine(std::string_view line, std::string& out)
{
    const std::size_t before = out.size();
    Base64Decoder decoder;
    decoder.Feed(line, out);
    return out.size() - before;
}

std::string Base64Decode(std::string_view body)
{
    std::string out;
    Base64Decoder decoder;
    decoder.Feed(body, out);
    return out;
}

void Base64Decode(std::string_view body, ByteBuffer& out)
{
    Base64Decoder decoder;
    unsigned char* bytes = out.Allocate(decoder.RoomFor(body.size()));
    out.Shrink(decoder.Feed(body, bytes));
}

std::string Base64EncodeStream(std::string_view source)
{
    std::string out;
    const std::size_t groups = (source.size() + 2) / 3;
    out.reserve(groups * 4 + (groups / 19 + 1) * 2);
    const auto* p = reinterpret_cast<const unsigned char*>(source.data());
    std::size_t left = source.size();
    int onLine = 0;
    while (left > 0) {
        const unsigned a = p[0], b = left > 1 ? p[1] : 0, c = left > 2 ? p[2] : 0;
        out += kAlphabet[a >> 2];
        out += kAlphabet[((a & 3) << 4) | (b >> 4)];
        out += left > 1 ? kAlphabet[((b & 15) << 2) | (c >> 6)] : '=';
        out += left > 2 ? kAlphabet[c & 63] : '=';
        const std::size_t used = left > 3 ? 3 : left;
        p += used;
        left -= used;
        if (++onLine == 19 || left == 0) {
            out += "\r\n";
            onLine = 0;
        }
    }
    return out;
}

}  // namespace vellumine

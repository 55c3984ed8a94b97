#include "mime/Base64.h"

#include <array>

namespace vellumine {
namespace {

constexpr unsigned char kPad = 64;
constexpr unsigned char kSkip = 255;

constexpr std::array<unsigned char, 256> MakeDecodeTable()
{
    std::array<unsigned char, 256> table{};
    for (auto& v : table)
        v = kSkip;
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = i;
    table['='] = kPad;
    return table;
}

constexpr auto kDecode = MakeDecodeTable();
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

void Base64Decoder::DecodeGroup(std::string& out)
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
    const char bytes[3] = {static_cast<char>((a << 2) | (b >> 4)), static_cast<char>(((b & 15) << 4) | (c >> 2)),
                           static_cast<char>(((c & 3) << 6) | d)};
    out.append(bytes, static_cast<std::size_t>(count));
}

void Base64Decoder::Feed(std::string_view text, std::string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    out.reserve(out.size() + text.size() / 4 * 3 + 3);
    while (p < end) {
        // The common case: four alphabet characters in a row at a group
        // start, decoded into a small buffer that is appended when full.
        if (FFilled == 0) {
            char chunk[3 * 1024];
            std::size_t filled = 0;
            while (end - p >= 4) {
                const unsigned a = kDecode[p[0]], b = kDecode[p[1]], c = kDecode[p[2]], d = kDecode[p[3]];
                if ((a | b | c | d) >= 64)
                    break;
                const unsigned v = (a << 18) | (b << 12) | (c << 6) | d;
                chunk[filled] = static_cast<char>(v >> 16);
                chunk[filled + 1] = static_cast<char>(v >> 8);
                chunk[filled + 2] = static_cast<char>(v);
                filled += 3;
                p += 4;
                if (filled == sizeof chunk) {
                    out.append(chunk, filled);
                    filled = 0;
                }
            }
            out.append(chunk, filled);
            if (p >= end)
                break;
        }
        const unsigned char value = kDecode[*p++];
        if (value == kSkip)
            continue;
        FGroup[FFilled++] = value;
        if (FFilled == 4)
            DecodeGroup(out);
    }
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

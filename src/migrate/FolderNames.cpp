#include "migrate/FolderNames.h"

#include <vector>

#include "platform/Charset.h"
#include "platform/Sha256.h"

namespace vellumine {
namespace {

// The code points of a UTF-8 text; a byte that starts no valid sequence
// stands for itself (Latin-1), so nothing is dropped.
std::vector<char32_t> CodePoints(std::string_view utf8)
{
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= utf8.size();
        char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        if (!valid || point > 0x10FFFF) {
            points.push_back(lead);
            ++i;
            continue;
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

std::string Utf8Of(const std::vector<char32_t>& points, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        AppendUtf8(out, points[i]);
    return out;
}

void AppendModifiedBase64(std::string& out, const std::vector<char16_t>& units)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";
    std::uint32_t bits = 0;
    int count = 0;
    for (const char16_t unit : units) {
        bits = (bits << 16) | unit;
        count += 16;
        while (count >= 6) {
            count -= 6;
            out += kAlphabet[(bits >> count) & 0x3F];
        }
    }
    if (count > 0)
        out += kAlphabet[(bits << (6 - count)) & 0x3F];
}

char32_t FoldPoint(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    switch (c) {
    case 0x160: case 0x152: case 0x17D: return c + 1;  // Š Œ Ž
    case 0x178: return 0xFF;                            // Ÿ
    default: return c;
    }
}

}  // namespace

std::string ModifiedUtf7(std::string_view utf8)
{
    std::string out;
    std::vector<char16_t> pending;
    const auto flush = [&] {
        if (pending.empty())
            return;
        out += '&';
        AppendModifiedBase64(out, pending);
        out += '-';
        pending.clear();
    };
    for (const char32_t point : CodePoints(utf8)) {
        if (point >= 0x20 && point <= 0x7E) {
            flush();
            out += point == '&' ? std::string("&-") : std::string(1, static_cast<char>(point));
        } else if (point >= 0x10000) {
            pending.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
            pending.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            pending.push_back(static_cast<char16_t>(point));
        }
    }
    flush();
    return out;
}

std::string FoldNameCase(std::string_view utf8)
{
    std::string out;
    for (const char32_t point : CodePoints(utf8))
        AppendUtf8(out, FoldPoint(point));
    return out;
}

std::string KeepUtf8(std::string_view utf8)
{
    return std::string(utf8);
}

std::string FitName(const std::string& utf8, std::size_t maxBytes, NameEncoder encode)
{
    if (encode(utf8).size() <= maxBytes)
        return utf8;
    const std::string suffix = "~" + Sha256Hex(utf8).substr(0, 6);
    const std::vector<char32_t> points = CodePoints(utf8);
    // Cut a character at a time: the encoded length does not grow with
    // each character alike (modified UTF-7 packs runs).
    for (std::size_t keep = points.size(); keep-- > 0;) {
        const std::string shortened = Utf8Of(points, keep) + suffix;
        if (encode(shortened).size() <= maxBytes)
            return shortened;
    }
    return suffix.substr(0, maxBytes);
}

std::string CleanFolderName(std::string_view utf8, bool levelDots)
{
    std::string name;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        name += byte < 0x20 || byte == 0x7F || c == '/' || (levelDots && c == '.') ? '_' : c;
    }
    if (name.empty())
        return "Ordner";
    if (name == "." || name == "..")
        return std::string(name.size(), '_');
    if (name[0] == '.')
        name[0] = '_';
    return name;
}

std::string UniqueFolderName(const std::string& utf8, std::size_t maxBytes, NameEncoder encode,
                             std::set<std::string>& taken)
{
    for (long number = 0;; ++number) {
        const std::string name = FitName(number == 0 ? utf8 : utf8 + "_" + std::to_string(number), maxBytes, encode);
        if (taken.insert(FoldNameCase(name)).second)
            return name;
    }
}

}  // namespace vellumine

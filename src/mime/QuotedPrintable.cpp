#include "mime/QuotedPrintable.h"

#include <algorithm>
#include <cstring>

#include "mime/LineList.h"
#include "platform/Ascii.h"

namespace vellumine {
namespace {

bool IsUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool IsHeaderWordSpecial(unsigned char c)
{
    return (c >= 9 && c <= 32) || std::strchr("\"'()<>?_", c) != nullptr;
}

const char kHexDigits[] = "0123456789ABCDEF";

void AppendEscape(std::string& out, unsigned char c)
{
    out += '=';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 15];
}

// Whether the character at i passes unescaped.
bool PassesUnescaped(std::string_view text, std::size_t i, bool headerMode)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (c > 127 || c == '=')
        return false;
    if (c < 32 && c != '\t' && c != '\n' && c != '\r')
        return false;
    if (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))
        return false;
    return !(headerMode && IsHeaderWordSpecial(c));
}

// Whether `out` ends in a line break (CR LF or a lone LF) right after a
// blank; gives the length of the break.
std::size_t BreakAfterBlank(const std::string& out)
{
    if (out.empty() || out.back() != '\n')
        return 0;
    const std::size_t breakLength = out.size() >= 2 && out[out.size() - 2] == '\r' ? 2 : 1;
    if (out.size() <= breakLength)
        return 0;
    const char before = out[out.size() - breakLength - 1];
    return before == ' ' || before == '\t' ? breakLength : 0;
}

// Blanks right before a line break are written as escapes, so that no
// transport can strip them.
void EscapeBlanksBeforeBreak(std::string& out, std::size_t breakLength)
{
    std::size_t end = out.size() - breakLength;
    std::size_t start = end;
    while (start > 0 && (out[start - 1] == ' ' || out[start - 1] == '\t'))
        --start;
    std::string escaped;
    for (std::size_t i = start; i < end; ++i)
        AppendEscape(escaped, static_cast<unsigned char>(out[i]));
    out.replace(start, end - start, escaped);
}

// Cuts lines of 72 characters or more with soft line breaks, never inside
// an escape.
std::string WrapLines(const std::string& escaped)
{
    TLineList lines;
    lines.SetText(escaped);
    std::string out;
    out.reserve(escaped.size() + escaped.size() / 70 * 3 + 2);
    for (const std::string& whole : lines.Lines()) {
        std::string_view line = whole;
        while (line.size() >= 72) {
            // Every "=" of the escaped text starts an escape, so stepping back
            // from just above the limit finds the same cut as stepping back
            // from the end of the line, without walking the whole line for
            // every piece.
            std::size_t n = std::min<std::size_t>(line.size(), 75);
            while (n >= 72) {
                const bool escapeEndsHere = n >= 3 && line[n - 3] == '=' && IsUpperHexDigit(line[n - 2]) &&
                                            IsUpperHexDigit(line[n - 1]);
                n -= escapeEndsHere ? 3 : 1;
            }
            out.append(line.substr(0, n));
            out += "=\r\n";
            line.remove_prefix(n);
        }
        out.append(line);
        out += "\r\n";
    }
    return out;
}

}  // namespace

std::string QPDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto* eq = static_cast<const char*>(std::memchr(text.data() + i, '=', text.size() - i));
        const std::size_t at = eq ? static_cast<std::size_t>(eq - text.data()) : text.size();
        out.append(text.data() + i, at - i);
        if (at >= text.size())
            break;
        i = at + 1;
        // A soft line break: "=" and blanks before a line break or the end.
        std::size_t j = i;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        if (j == text.size()) {
            i = j;
            continue;
        }
        if (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') {
            i = j + 2;
            continue;
        }
        if (text[j] == '\n') {
            i = j + 1;
            continue;
        }
        if (i + 1 < text.size()) {
            const int high = HexDigitValue(text[i]), low = HexDigitValue(text[i + 1]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += '=';  // not an escape: the "=" stays as written
    }
    return out;
}

std::string QPEncode(std::string_view text, bool headerMode)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (PassesUnescaped(text, i, headerMode))
            out += text[i];
        else
            AppendEscape(out, static_cast<unsigned char>(text[i]));
        if (headerMode)
            continue;
        if (const std::size_t breakLength = BreakAfterBlank(out))
            EscapeBlanksBeforeBreak(out, breakLength);
    }
    if (headerMode || out.empty())
        return out;
    return WrapLines(out);
}

std::string EncodeHeaderWord(std::string_view text, std::string_view charset)
{
    const std::string encoded = QPEncode(text, true);
    if (encoded == text)
        return encoded;
    return "=?" + std::string(charset) + "?Q?" + encoded + "?=";
}

}  // namespace vellumine

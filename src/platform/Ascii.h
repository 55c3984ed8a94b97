#pragma once
// ASCII case, hexadecimal digits and percent escapes, as mail headers, HTML
// tags and store names need them: only a to z change case, whatever the
// locale says.

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumine {

inline char LowerAsciiChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char UpperAsciiChar(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// 0 to 15 for 0-9, A-F and a-f; -1 for anything else.
inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Every "%" with two hexadecimal digits becomes the byte they give; a "%"
// without them stays as it stands.
inline std::string PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

inline std::string LowerAsciiText(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = LowerAsciiChar(c);
    return lower;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i]))
            return false;
    return true;
}

inline bool StartsWithIgnoringAsciiCase(std::string_view text, std::size_t at, std::string_view prefix)
{
    return at <= text.size() && prefix.size() <= text.size() - at &&
           EqualIgnoringAsciiCase(text.substr(at, prefix.size()), prefix);
}

// Where `pattern` first stands in `text` from `from` on, without regard to
// ASCII case; npos when nowhere.
inline std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view pattern, std::size_t from = 0)
{
    if (pattern.empty())
        return from <= text.size() ? from : std::string_view::npos;
    const char first = LowerAsciiChar(pattern[0]);
    for (std::size_t i = from; i + pattern.size() <= text.size(); ++i)
        if (LowerAsciiChar(text[i]) == first && StartsWithIgnoringAsciiCase(text, i, pattern))
            return i;
    return std::string_view::npos;
}

}  // namespace vellumine

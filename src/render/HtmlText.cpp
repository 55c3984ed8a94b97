#include "render/HtmlText.h"

#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace vellumine {

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

void AppendCodePoint(std::string& out, unsigned long code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    AppendUtf8(out, static_cast<char32_t>(code));
}

struct NamedReference {
    std::string_view name;
    unsigned long code;
};

constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},     {"lt", '<'},      {"gt", '>'},      {"quot", '"'},    {"apos", '\''},  {"nbsp", ' '},
    {"auml", 0xE4},   {"ouml", 0xF6},   {"uuml", 0xFC},   {"Auml", 0xC4},   {"Ouml", 0xD6},  {"Uuml", 0xDC},
    {"szlig", 0xDF},  {"euro", 0x20AC}, {"eacute", 0xE9}, {"egrave", 0xE8}, {"copy", 0xA9},  {"reg", 0xAE},
    {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"bdquo", 0x201E}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"laquo", 0xAB}, {"raquo", 0xBB},
};

// The character reference at `text[at]` ("&...;"): appended to `out`, and
// the position after it returned; `at` itself when it is none.
std::size_t TakeReference(std::string_view text, std::size_t at, std::string& out)
{
    const std::size_t end = text.find(';', at);
    if (end == std::string_view::npos || end - at > 10)
        return at;
    const std::string_view name = text.substr(at + 1, end - at - 1);
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        unsigned long code = 0;
        for (const char c : digits) {
            const int digit = c >= '0' && c <= '9'                ? c - '0'
                              : hex && c >= 'a' && c <= 'f'       ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F'       ? c - 'A' + 10
                                                                  : -1;
            if (digit < 0 || code > 0x10FFFF)
                return at;
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        }
        if (digits.empty())
            return at;
        AppendCodePoint(out, code);
        return end + 1;
    }
    for (const NamedReference& reference : kNamedReferences) {
        if (reference.name == name) {
            AppendCodePoint(out, reference.code);
            return end + 1;
        }
    }
    return at;
}

// The position after the markup that starts at `text[at]` ('<').
std::size_t SkipMarkup(std::string_view text, std::size_t at)
{
    if (StartsWithIgnoringAsciiCase(text, at, "<!--")) {
        const std::size_t end = text.find("-->", at + 4);
        return end == std::string_view::npos ? text.size() : end + 3;
    }
    for (const std::string_view element : {std::string_view("script"), std::string_view("style")}) {
        if (StartsWithIgnoringAsciiCase(text, at + 1, element)) {
            std::size_t close = at;
            while ((close = text.find("</", close + 1)) != std::string_view::npos &&
                   !StartsWithIgnoringAsciiCase(text, close + 2, element)) {
            }
            if (close == std::string_view::npos)
                return text.size();
            const std::size_t end = text.find('>', close);
            return end == std::string_view::npos ? text.size() : end + 1;
        }
    }
    const std::size_t end = text.find('>', at);
    return end == std::string_view::npos ? text.size() : end + 1;
}

bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether the tag at `text[at]` ('<') ends a line of the text it stands in.
bool EndsLine(std::string_view text, std::size_t at)
{
    std::size_t name = at + 1;
    if (name < text.size() && text[name] == '/')
        ++name;
    std::size_t end = name;
    while (end < text.size() && IsAsciiLetterOrDigit(text[end]))
        ++end;
    const std::string element = LowerAsciiText(text.substr(name, end - name));
    for (const char* breaking : {"br", "p", "div", "tr", "li", "h1", "h2", "h3", "h4", "h5", "h6", "table",
                                 "blockquote", "pre", "hr", "ul", "ol", "dt", "dd"})
        if (element == breaking)
            return true;
    return false;
}

std::string HtmlToText(std::string_view html, bool keepLines)
{
    std::string text;
    text.reserve(html.size() / 2);
    bool blankPending = false, breakPending = false;
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            if (keepLines && EndsLine(html, i))
                breakPending = true;
            i = SkipMarkup(html, i);
            blankPending = true;  // tags end words often enough ("<br>", "</p>")
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
            blankPending = true;
            ++i;
            continue;
        }
        if (breakPending && !text.empty())
            text += "\r\n";
        else if (blankPending && !text.empty())
            text += ' ';
        blankPending = breakPending = false;
        if (c == '&') {
            const std::size_t after = TakeReference(html, i, text);
            if (after != i) {
                i = after;
                continue;
            }
        }
        text += c;
        ++i;
    }
    return text;
}

}  // namespace

std::string HtmlToPlainText(std::string_view html)
{
    return HtmlToText(html, false);
}

std::string HtmlToTextLines(std::string_view html)
{
    return HtmlToText(html, true);
}

}  // namespace vellumine

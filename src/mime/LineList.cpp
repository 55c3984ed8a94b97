#include "mime/LineList.h"

namespace vellumine {

void TLineList::SetText(std::string_view text)
{
    FLines.clear();
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        FLines.emplace_back(text.substr(at, end - at));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            at = end + 2;
        else
            at = end + 1;
    }
}

std::string TLineList::Text() const
{
    std::size_t size = 0;
    for (const auto& line : FLines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void AppendAsLines(std::string& out, std::string_view text)
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        out.append(text.data() + at, end - at);
        out += "\r\n";
        at = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? end + 2 : end + 1;
    }
}

}  // namespace vellumine

#include "mime/LineList.h"

namespace vellumine {
namespace {

// Hands each line of `text` to `take`: cut at CR LF, CR or LF, a final
// line break making no empty last line, nothing after a NUL.
template <typename Take>
void ForEachLine(std::string_view text, Take&& take)
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        take(text.substr(at, end - at));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            at = end + 2;
        else
            at = end + 1;
    }
}

}  // namespace

void TLineList::SetText(std::string_view text)
{
    FLines.clear();
    ForEachLine(text, [this](std::string_view line) { FLines.emplace_back(line); });
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
    ForEachLine(text, [&out](std::string_view line) {
        out += line;
        out += "\r\n";
    });
}

}  // namespace vellumine

#include "render/PageMargins.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace vellumine {
namespace {

std::optional<double> LengthInMillimetres(const std::string& token)
{
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end == token.c_str() || value < 0)
        return std::nullopt;
    const std::string unit(end);
    if (unit == "mm") return value;
    if (unit == "cm") return value * 10;
    if (unit == "in") return value * 25.4;
    if (unit == "pt") return value * 25.4 / 72;
    if (unit == "px") return value * 25.4 / 96;
    if (unit.empty() && value == 0) return 0.0;
    return std::nullopt;
}

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

}  // namespace

std::optional<PageMargins> TemplatePageMargins(std::string_view text)
{
    const std::size_t rule = text.find("@page");
    if (rule == std::string_view::npos)
        return std::nullopt;
    const std::size_t open = text.find('{', rule);
    const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view block = text.substr(open + 1, close - open - 1);
    std::size_t at = block.find("margin");
    // "margin-top" and the like are not the shorthand.
    while (at != std::string_view::npos && at + 6 < block.size() && block[at + 6] == '-')
        at = block.find("margin", at + 6);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t colon = block.find(':', at);
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::size_t end = block.find(';', colon);
    if (end == std::string_view::npos)
        end = block.size();
    std::vector<double> values;
    for (const std::string& word : Words(block.substr(colon + 1, end - colon - 1))) {
        const auto length = LengthInMillimetres(word);
        if (!length)
            return std::nullopt;
        values.push_back(*length);
    }
    switch (values.size()) {
    case 1: return PageMargins{values[0], values[0], values[0], values[0]};
    case 2: return PageMargins{values[0], values[1], values[0], values[1]};
    case 3: return PageMargins{values[0], values[1], values[2], values[1]};
    case 4: return PageMargins{values[0], values[1], values[2], values[3]};
    default: return std::nullopt;
    }
}

}  // namespace vellumine

#include "store/HeaderLine.h"

namespace vellumine {
namespace {

constexpr std::size_t kLongestFieldName = 76;

// The length of the field name and colon at the start of `line`; 0 when
// it is no header line.
std::size_t FieldNameLength(std::string_view line)
{
    std::size_t at = 0;
    while (at < line.size() && at <= kLongestFieldName && line[at] != ':') {
        const unsigned char c = static_cast<unsigned char>(line[at]);
        if (c < 33 || c > 126)
            return 0;
        ++at;
    }
    return at > 0 && at < line.size() && line[at] == ':' ? at + 1 : 0;
}

std::string_view RestAfterLine(std::string_view text)
{
    const std::size_t end = text.find('\n');
    return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

}  // namespace

bool StartsWithHeaderLines(std::string_view text)
{
    if (FieldNameLength(text) == 0)
        return false;
    const std::string_view rest = RestAfterLine(text);
    if (rest.empty())
        return text.find('\n') != std::string_view::npos || text.size() < 512;
    return rest[0] == ' ' || rest[0] == '\t' || rest[0] == '\r' || rest[0] == '\n' || FieldNameLength(rest) > 0;
}

std::optional<std::size_t> HeaderLinesStart(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        if (StartsWithHeaderLines(text.substr(at)))
            return at;
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            return std::nullopt;
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace vellumine

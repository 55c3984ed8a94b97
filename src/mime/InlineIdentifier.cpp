#include "mime/InlineIdentifier.h"

#include <cstring>

#include "platform/Ascii.h"

namespace vellumine {
namespace {

bool EndsReference(char c)
{
    return c == '\0' || std::strchr("\"'<> \t\r\n)", c) != nullptr;
}

}  // namespace

std::string InlineIdentifier(std::string_view contentId)
{
    if (!contentId.empty() && contentId.front() == '<')
        contentId.remove_prefix(1);
    if (!contentId.empty() && contentId.back() == '>')
        contentId.remove_suffix(1);
    return std::string(contentId);
}

std::string CidReferenceIdentifier(std::string_view reference)
{
    return PercentDecode(reference);
}

bool CidReferenceNames(std::string_view html, std::size_t at, std::string_view identifier)
{
    std::size_t matched = 0;
    for (; at < html.size() && !EndsReference(html[at]); ++at, ++matched) {
        char c = html[at];
        const int high = c == '%' && at + 2 < html.size() ? HexDigitValue(html[at + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(html[at + 2]) : -1;
        if (low >= 0) {
            c = static_cast<char>(high * 16 + low);
            at += 2;
        }
        if (matched == identifier.size() || identifier[matched] != c)
            return false;
    }
    return matched == identifier.size();
}

}  // namespace vellumine

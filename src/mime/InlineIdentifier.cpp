#include "mime/InlineIdentifier.h"

#include "platform/Ascii.h"

namespace vellumine {

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

}  // namespace vellumine

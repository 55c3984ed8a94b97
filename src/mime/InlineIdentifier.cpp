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

std::vector<TCidReference> QuotedCidReferences(std::string_view line)
{
    std::vector<TCidReference> references;
    for (std::size_t quote = line.find('"'); quote != std::string_view::npos; quote = line.find('"', quote + 1)) {
        std::size_t start = quote + 1;
        while (StartsWithIgnoringAsciiCase(line, start, "CID:"))
            start += 4;
        if (start == quote + 1)
            continue;
        const std::size_t close = line.find('"', start);
        references.push_back({quote, start, close == std::string_view::npos ? line.size() : close});
    }
    return references;
}

std::string ReferencedIdentifier(std::string_view reference,
                                 const std::function<bool(const std::string&)>& isIdentifier)
{
    std::string written(reference);
    if (written.find('%') == std::string::npos || isIdentifier(written))
        return written;
    return PercentDecode(reference);
}

std::set<std::string> ShownInlineIdentifiers(const std::vector<std::string>& lines,
                                             const std::set<std::string>& identifiers)
{
    std::set<std::string> shown;
    if (identifiers.empty())
        return shown;
    const auto known = [&identifiers](const std::string& identifier) { return identifiers.count(identifier) != 0; };
    for (const std::string& line : lines)
        for (const TCidReference& reference : QuotedCidReferences(line)) {
            const std::string named =
                ReferencedIdentifier(std::string_view(line).substr(reference.start, reference.end - reference.start), known);
            if (known(named))
                shown.insert(named);
        }
    return shown;
}

}  // namespace vellumine

// The split of a multipart body into its child texts at the delimiter
// lines "--boundary", up to the closing delimiter "--boundary--".

#include "mime/BodySplit.h"

namespace vellumine {

namespace {

constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

// The start of the first line at or after `from` (a line start) that begins
// with `delimiter`; the end of the text when none does.
std::size_t NextDelimiterLine(std::string_view text, std::size_t from, std::string_view delimiter)
{
    for (std::size_t at = text.find(delimiter, from); at != std::string_view::npos; at = text.find(delimiter, at + 1)) {
        if (at == 0 || text[at - 1] == '\n')
            return at;
    }
    return text.size();
}

}  // namespace

std::vector<TextRange> SplitMultipartBody(LineWalker& lines, const std::string& boundary, bool delimiterSeen,
                                          const LineReport& report)
{
    std::vector<TextRange> children;
    const std::string delimiter = "--" + boundary;
    const std::string closing = delimiter + "--";
    // A multipart whose first delimiter line is the closing one has no children.
    bool closingSeen = delimiterSeen && lines.Line().substr(0, closing.size()) == closing;
    std::size_t pendingStart = kNoStart;
    bool more = delimiterSeen;  // the walk stands on the first delimiter line
    while (more) {
        if (delimiterSeen || closingSeen) {
            if (pendingStart != kNoStart) {
                // The line break before the delimiter line is not part of the child.
                children.push_back({pendingStart, lines.PreviousLineEnd() - pendingStart});
                pendingStart = kNoStart;
            }
            if (closingSeen)
                break;
            delimiterSeen = false;
        } else if (pendingStart == kNoStart) {
            pendingStart = lines.Start();
        }
        // Inside a child only a delimiter line matters: the walk leaps to it.
        more = pendingStart == kNoStart ? lines.Next()
                                        : lines.NextFrom(NextDelimiterLine(lines.Text(), lines.NextStart(), delimiter));
        report(lines);
        if (more && lines.Line().substr(0, 2) == "--") {
            const std::string_view line = lines.Line();
            if (line.substr(0, closing.size()) == closing)
                closingSeen = true;
            else if (line.substr(0, delimiter.size()) == delimiter)
                delimiterSeen = true;
        }
    }
    // A last child without a closing delimiter runs to the end of the text:
    // its text is the message's as much as any other child's.
    if (pendingStart != kNoStart && !closingSeen)
        children.push_back({pendingStart, lines.Text().size() - pendingStart});
    return children;
}

}  // namespace vellumine

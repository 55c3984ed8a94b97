// The split of a multipart body into its child parts at the delimiter
// lines "--boundary", up to the closing delimiter "--boundary--".

#include "mime/LineWalker.h"
#include "mime/MailPart.h"
#include "mime/MailPartProgress.h"

namespace vellumine {

namespace {
constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);
}

void TMailPart::SplitMultipart(LineWalker& lines, bool delimiterSeen, ParseProgress& progress)
{
    const std::string boundary = BoundaryParam();
    const std::string delimiter = "--" + boundary;
    const std::string closing = delimiter + "--";
    const std::string_view source = lines.Text();
    bool closingSeen = false;
    std::size_t pendingStart = kNoStart;
    bool more = delimiterSeen;  // the walk stands on the first delimiter line
    while (more) {
        if (delimiterSeen || closingSeen) {
            if (pendingStart != kNoStart) {
                // The line break before the delimiter line is not part of the child.
                const std::size_t end = lines.PreviousLineEnd();
                TMailPart& child = AddChild();
                child.ParseSource(source.substr(pendingStart, end - pendingStart), true);
                child.FParentBoundary = boundary;
                pendingStart = kNoStart;
            }
            if (closingSeen)
                break;
            delimiterSeen = false;
        } else if (pendingStart == kNoStart) {
            pendingStart = lines.Start();
        }
        more = lines.Next();
        progress.Report(lines);
        if (more && lines.Line().substr(0, 2) == "--") {
            const std::string_view line = lines.Line();
            if (line.substr(0, closing.size()) == closing)
                closingSeen = true;
            else if (line.substr(0, delimiter.size()) == delimiter)
                delimiterSeen = true;
        }
    }
    // A child still open at the end (no closing delimiter) is dropped.
}

}  // namespace vellumine

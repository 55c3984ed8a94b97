// The split of a plain (non-MIME) body at its uuencoded blocks
// ("begin 6.. name" ... "end").

#include "mime/BodySplit.h"
#include "mime/HeaderText.h"
#include "mime/UUDecode.h"

namespace vellumine {

namespace {

constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

UUEncodedBody SplitUUEncodedBody(LineWalker& lines, bool beginSeen, const LineReport& report)
{
    UUEncodedBody body;
    const std::string_view source = lines.Text();
    bool armed = beginSeen, endSeen = false;
    std::size_t pendingStart = kNoStart;
    std::string fileName;
    bool more = beginSeen;  // the walk stands on the first "begin" line
    while (more) {
        if (beginSeen) {
            body.anyBegin = true;
            beginSeen = false;
            const std::string_view line = lines.Line();
            fileName = TrimSpaces(line.size() > 10 ? line.substr(10, 999) : std::string_view());
            pendingStart = kNoStart;
        } else if (endSeen) {
            const std::size_t end = lines.PreviousLineEnd();
            const std::size_t start = pendingStart == kNoStart ? end : pendingStart;
            body.blocks.push_back({fileName, UUDecodeText(source.substr(start, end - start))});
            endSeen = false;
            pendingStart = kNoStart;
        } else if (pendingStart == kNoStart) {
            pendingStart = lines.Start();
        }
        more = lines.Next();
        report(lines);
        if (!more)
            break;
        const std::string_view line = lines.Line();
        if (StartsWith(line, "be")) {
            beginSeen = StartsWith(line, "begin 6");
            armed = true;
        }
        if (!beginSeen && armed && StartsWith(line, "end")) {
            endSeen = true;
            armed = false;
        }
    }
    return body;
}

}  // namespace vellumine

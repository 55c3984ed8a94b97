// The split of a plain (non-MIME) body at its uuencoded blocks
// ("begin 6.. name" ... "end").

#include "mime/BodySplit.h"
#include "mime/HeaderText.h"
#include "mime/UUDecode.h"

namespace vellumine {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

UUEncodedBody SplitUUEncodedBody(LineWalker& lines, bool beginSeen, const LineReport& report)
{
    UUEncodedBody body;
    const std::string_view source = lines.Text();
    std::size_t textStart = lines.Start();  // where the text that is no block goes on
    bool inBlock = false;
    std::size_t blockLineStart = 0, dataStart = 0;
    std::string fileName;
    bool more = beginSeen;  // the walk stands on the first "begin" line
    while (more) {
        const std::string_view line = lines.Line();
        if (StartsWith(line, "begin 6")) {
            // A "begin" inside an open block starts it afresh; the lines of
            // the block left open stay text.
            body.anyBegin = true;
            inBlock = true;
            blockLineStart = lines.Start();
            dataStart = lines.NextStart();
            fileName = TrimSpaces(line.size() > 10 ? line.substr(10, 999) : std::string_view());
        } else if (inBlock && StartsWith(line, "end")) {
            const std::size_t end = lines.PreviousLineEnd();
            const std::size_t start = dataStart < end ? dataStart : end;
            body.blocks.push_back({fileName, UUDecodeText(source.substr(start, end - start))});
            if (blockLineStart > textStart)
                body.text.push_back({textStart, blockLineStart - textStart});
            inBlock = false;
            textStart = lines.NextStart();
        }
        more = lines.Next();
        report(lines);
    }
    if (textStart < source.size())
        body.text.push_back({textStart, source.size() - textStart});
    return body;
}

}  // namespace vellumine

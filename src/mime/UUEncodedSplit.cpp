// The split of a plain (non-MIME) message at its uuencoded blocks
// ("begin 6.. name" ... "end"): the text before the first block becomes a
// text part, each block a file part, and the message a multipart/mixed.

#include "mime/HeaderText.h"
#include "mime/LineWalker.h"
#include "mime/MailMessage.h"
#include "mime/MailPart.h"
#include "mime/MailPartProgress.h"
#include "mime/MimeTypes.h"
#include "mime/QuotedPrintable.h"
#include "mime/UUDecode.h"

namespace vellumine {

namespace {
constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);
}
namespace {

std::string_view UpToNul(std::string_view text)
{
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void TMailPart::SplitUUEncodedBlocks(LineWalker& lines, bool beginSeen, ParseProgress& progress)
{
    const std::string_view source = lines.Text();
    const std::string& charset = FOwnerMessage->Charset;
    bool armed = beginSeen, endSeen = false;
    std::size_t pendingStart = kNoStart;
    std::string fileName, blockBoundary;
    bool more = beginSeen;  // the walk stands on the first "begin" line
    while (more) {
        if (beginSeen) {
            if (blockBoundary.empty()) {
                blockBoundary = MakeBoundary();
                TMailPart& text = AddChild();
                text.ParseSource(QPEncode(UpToNul(FBody), false), false);
                text.FParentBoundary = blockBoundary;
                text.SetHeader("Content-Type", "text/plain");
                text.SetHeaderParam("Content-Type", "charset", "\"" + charset + "\"");
                text.SetHeader("Content-Transfer-Encoding", "quoted-printable");
                SetHeader("Content-Type", "");
                SetHeader("Content-Type", "multipart/mixed");
                SetHeaderParam("Content-Type", "boundary", "\"" + blockBoundary + "\"");
            }
            beginSeen = false;
            // The name is only ever a hint for the MIME type, never a path.
            const std::string_view line = lines.Line();
            fileName = TrimSpaces(line.size() > 10 ? line.substr(10, 999) : std::string_view());
            pendingStart = kNoStart;
        } else if (endSeen) {
            const std::size_t end = lines.PreviousLineEnd();
            const std::size_t start = pendingStart == kNoStart ? end : pendingStart;
            TMailPart& file = AddChild();
            file.FDecoded = UUDecodeText(source.substr(start, end - start));
            file.SetHeader("Content-Type", MimeTypeOfFile(fileName));
            file.EncodeBase64();
            file.FParentBoundary = blockBoundary;
            file.SetHeader("Content-Transfer-Encoding", "base64");
            file.SetHeader("Content-Disposition", "attachment");
            const std::string quotedName = "\"" + EncodeHeaderWord(fileName, charset) + "\"";
            file.SetHeaderParam("Content-Type", "name", quotedName);
            file.SetHeaderParam("Content-Disposition", "filename", quotedName);
            file.SetHeader("X-Vellumine-Attachment", quotedName);
            file.SetHeaderParam("X-Vellumine-Attachment", "embedded", "no");
            endSeen = false;
            pendingStart = kNoStart;
        } else if (pendingStart == kNoStart) {
            pendingStart = lines.Start();
        }
        more = lines.Next();
        progress.Report(lines);
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
}

}  // namespace vellumine

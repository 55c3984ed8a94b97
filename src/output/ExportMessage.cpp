#include "output/ExportMessage.h"

#include "mime/MailMessage.h"
#include "render/AttachmentList.h"
#include "render/InlineParts.h"
#include "render/MessagePage.h"
#include "render/ShownContent.h"

namespace vellumine {
namespace {

// Images first, each under a fresh name; then the page, whose references
// follow the names the images got.
CreatedFile WriteHtmlPage(const std::string& folder, const BaseName& base, TMailMessage& message,
                          UniqueFileNamer& names)
{
    const auto writeNew = [&names](const std::string& target, const std::string& fileName, std::string_view bytes) {
        const auto [partBase, extension] = SplitFileName(fileName);
        return names.Create(target, partBase, extension, bytes).path;
    };
    const InlineNameMap renamed = SaveInlineParts(message, folder, nullptr, writeNew);
    return names.Create(folder, base, ".htm", ConvertCIDText(message.HtmlBodyLines, renamed));
}

}  // namespace

ExportedFile ExportMessageFile(const std::string& folder, const std::string& source, const HeaderFields& fields,
                               const ExportOptions& options, UniqueFileNamer* names)
{
    UniqueFileNamer ownNames;
    UniqueFileNamer& namer = names ? *names : ownNames;
    const auto message = ParseMessageSource(source);
    BaseName base = MakeBaseName(fields.subject, fields.dateText, options.withDate);
    if (fields.incomplete)
        base.markPart = kIncompleteMark;
    const bool asText = options.format != ExportFormat::AllHtml &&
                        (options.format == ExportFormat::AllText || message->HtmlBodyLines.Empty());
    if (asText) {
        std::string text = ComposeMessageText(*message, !options.rawText);
        const std::string list = AttachmentListText(ListAttachments(*message));
        if (!list.empty())
            text += (text.empty() ? "" : "\r\n") + list;
        return {namer.Create(folder, base, ".txt", text), true};
    }
    ComposePageLines(*message, fields, options.withDesign, options.design);
    return {WriteHtmlPage(folder, base, *message, namer), false};
}

CreatedFile ExportMessagePage(const std::string& folder, const BaseName& base, const std::string& source,
                              const HeaderFields& fields, bool withDesign, const PageDesign& design)
{
    UniqueFileNamer names;
    const auto message = ParseMessageSource(source);
    ComposePageLines(*message, fields, withDesign, design);
    return WriteHtmlPage(folder, base, *message, names);
}

}  // namespace vellumine

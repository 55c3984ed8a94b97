#include "output/ExportMessage.h"

#include "mime/MailMessage.h"
#include "render/HeaderBlock.h"
#include "render/InlineParts.h"

namespace vellumine {

ExportedFile ExportMessageFile(const std::string& folder, const std::string& source, const HeaderFields& fields,
                               const ExportOptions& options)
{
    TMailMessage message;
    message.ParseString(source);
    message.IndexParts();
    const BaseName base = MakeBaseName(fields.subject, fields.dateText, options.withDate);
    const bool asText = options.format != ExportFormat::AllHtml &&
                        (options.format == ExportFormat::AllText || message.HtmlBodyLines.Empty());
    if (asText)
        return {CreateUniqueFile(folder, base, ".txt", message.TextBodyLines.Text()), true};

    if (message.HtmlBodyLines.Empty())
        TXT2HTML(message);
    if (options.withDesign)
        AddHTMLHeader(message, fields, options.design);
    const InlineNameMap renamed = SaveInlineParts(message, folder, nullptr);
    return {CreateUniqueFile(folder, base, ".htm", ConvertCIDText(message.HtmlBodyLines, renamed)), false};
}

}  // namespace vellumine

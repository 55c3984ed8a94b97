#include "render/MessagePage.h"

#include <algorithm>
#include <filesystem>

#include "mime/MailMessage.h"
#include "render/HeaderBlock.h"
#include "render/InlineParts.h"
#include "render/PageCharset.h"
#include "render/TempFiles.h"

namespace vellumine {

std::unique_ptr<TMailMessage> ParseMessageSource(const std::string& source)
{
    auto message = std::make_unique<TMailMessage>();
    message->ParseString(source);
    message->IndexParts();
    return message;
}

void ComposePageLines(TMailMessage& message, const HeaderFields& fields, bool withDesign, const PageDesign& design)
{
    BodyLinesToUtf8(message);
    if (message.HtmlBodyLines.Empty())
        TXT2HTML(message);
    if (withDesign)
        AddHTMLHeader(message, fields, design);
    DeclareUtf8(message.HtmlBodyLines);
}

void ComposeMessagePage(const std::string& source, const HeaderFields& fields, const PageRequest& request)
{
    const auto message = ParseMessageSource(source);
    ComposePageLines(*message, fields, request.withDesign, request.design);
    const InlineNameMap renamed = SaveInlineParts(*message, request.partsFolder, request.record);
    ConvertCIDSave(message->HtmlBodyLines, request.pagePath, renamed);
    if (request.record)
        request.record->Add(request.pagePath);
}

std::vector<std::string> ListTemplates(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".htm") == 0 && entry.is_regular_file(ignored))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vellumine

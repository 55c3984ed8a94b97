#include "render/MessagePage.h"

#include <algorithm>
#include <filesystem>

#include "mime/MailMessage.h"
#include "render/HeaderBlock.h"
#include "platform/FileAccess.h"
#include "render/InlineParts.h"
#include "render/PageCharset.h"
#include "render/ShownContent.h"
#include "render/TempFiles.h"

namespace vellumine {

std::unique_ptr<TMailMessage> ParseMessageSource(const std::string& source)
{
    auto message = std::make_unique<TMailMessage>();
    message->ParseString(source);
    message->IndexParts();
    return message;
}

std::vector<TAttachment> ComposePageLines(TMailMessage& message, const HeaderFields& fields, bool withDesign,
                                          const PageDesign& design, const AttachmentHref& href)
{
    // Listed first: an image counts as shown when the HTML body as the
    // message wrote it refers to it.
    AttachmentListing listing{ListAttachments(message), href};
    BodyLinesToUtf8(message);
    if (message.HtmlBodyLines.Empty())
        TXT2HTML(message);
    AppendShownPartsHtml(message, &listing);
    AppendAttachmentListHtml(message.HtmlBodyLines, listing, &message);
    if (withDesign)
        AddHTMLHeader(message, fields, design);
    DeclareUtf8(message.HtmlBodyLines);
    return std::move(listing.entries);
}

PreviewPage ComposePreviewPage(const std::string& source, const HeaderFields& fields, bool withDesign,
                               const PageDesign& design, bool linkAttachments)
{
    const auto message = ParseMessageSource(source);
    PreviewPage page;
    page.attachments = ComposePageLines(*message, fields, withDesign, design,
                                        linkAttachments ? AttachmentHref(PreviewAttachmentHref) : AttachmentHref());
    for (TAttachment& entry : page.attachments) {
        entry.part = nullptr;
        entry.owner = nullptr;
    }
    // The parts keep the names SafeInlineFileName gives them: the
    // temporary folder is the program's own, and its files are replaced.
    const auto collect = [&page](const std::string&, const std::string& fileName, std::string_view bytes) {
        page.parts.push_back({fileName, std::string(bytes)});
        return fileName;
    };
    const InlineNameMap renamed = SaveInlineParts(*message, {}, nullptr, collect);
    page.text = ConvertCIDText(message->HtmlBodyLines, renamed);
    return page;
}

void WritePreviewPage(const PreviewPage& page, const std::string& pagePath, const std::string& partsFolder,
                      TTempFileList* record)
{
    for (const InlineFile& part : page.parts) {
        const std::string path = WriteInlinePartReplacing(partsFolder, part.fileName, part.bytes);
        if (record)
            record->Add(path);
    }
    WriteFileReplacing(pagePath, page.text);
    if (record)
        record->Add(pagePath);
}

void ComposeMessagePage(const std::string& source, const HeaderFields& fields, const PageRequest& request)
{
    WritePreviewPage(ComposePreviewPage(source, fields, request.withDesign, request.design), request.pagePath,
                     request.partsFolder, request.record);
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

std::optional<std::string> DesignTemplatePath(const std::string& folder, const std::string& name)
{
    const std::vector<std::string> names = ListTemplates(folder);
    if (std::find(names.begin(), names.end(), name) == names.end())
        return std::nullopt;
    return folder + name;
}

}  // namespace vellumine

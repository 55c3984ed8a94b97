#include "output/ExportMessage.h"

#include <map>

#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "output/AttachmentFolder.h"
#include "platform/FileAccess.h"
#include "render/AttachmentList.h"
#include "render/InlineParts.h"
#include "render/MessagePage.h"
#include "render/ShownContent.h"

namespace vellumine {
namespace {

// Writes the embedded images, each under a fresh name, and returns the
// composed page with its references following the names the images got.
std::string PageTextWithImages(const std::string& folder, TMailMessage& message, UniqueFileNamer& names)
{
    const auto writeNew = [&names](const std::string& target, const std::string& fileName, std::string_view bytes) {
        const auto [partBase, extension] = SplitFileName(fileName);
        return names.Create(target, partBase, extension, bytes).path;
    };
    const InlineNameMap renamed = SaveInlineParts(message, folder, nullptr, writeNew);
    return ConvertCIDText(message.HtmlBodyLines, renamed);
}

// Images first, then the page.
CreatedFile WriteHtmlPage(const std::string& folder, const BaseName& base, TMailMessage& message,
                          UniqueFileNamer& names)
{
    const std::string text = PageTextWithImages(folder, message, names);
    return names.Create(folder, base, ".htm", text);
}

std::string TextWithList(TMailMessage& message, const ExportOptions& options, const std::string& list)
{
    std::string text = ComposeMessageText(message, !options.rawText);
    if (!list.empty())
        text += (text.empty() ? "" : "\r\n") + list;
    return text;
}

// The file name an attachment got in its folder.
std::string NameInFolder(const CreatedFile& file)
{
    const auto slash = file.path.rfind('/');
    return slash == std::string::npos ? file.path : file.path.substr(slash + 1);
}

// The text file's closing list names the files as they lie in the folder
// (a second "bild.png" is "bild_0.png" there), and then the folder.
std::string SavedListText(std::vector<TAttachment> entries, const std::vector<CreatedFile>& files,
                          const std::string& folderName)
{
    for (std::size_t i = 0; i < entries.size() && i < files.size(); ++i)
        entries[i].fileName = NameInFolder(files[i]);
    return AttachmentListText(entries) + "Die Dateien liegen im Ordner \"" + folderName + "\".\r\n";
}

// Each listed entry links to the file written for its part; a part without
// a file (none should be) stays a plain name.
AttachmentHref LinksToFiles(const std::vector<TAttachment>& entries, const std::vector<CreatedFile>& files,
                            const std::string& folderName)
{
    std::map<const TMailPart*, std::string> hrefs;
    for (std::size_t i = 0; i < entries.size() && i < files.size(); ++i)
        hrefs[entries[i].part] = RelativeFileHref(folderName + "/" + NameInFolder(files[i]));
    return [hrefs = std::move(hrefs)](const TAttachment& entry) {
        const auto found = hrefs.find(entry.part);
        return found == hrefs.end() ? std::string() : found->second;
    };
}

// The page or text file takes its name first, with the attachments' folder
// named after it; the folder is filled, and only then the file gets its
// text, so that it never links to a file that is not there.
ExportedFile ExportWithAttachments(const std::string& folder, const BaseName& base, TMailMessage& message,
                                   const HeaderFields& fields, const ExportOptions& options, bool asText,
                                   const std::vector<TAttachment>& attachments, UniqueFileNamer& names)
{
    const PageWithFolder reserved = ReservePageWithFolder(folder, base, asText ? ".txt" : ".htm", names);
    try {
        const std::vector<CreatedFile> files = WriteAttachmentFiles(attachments, reserved.folderPath, names);
        std::string text;
        if (asText) {
            text = TextWithList(message, options, SavedListText(attachments, files, reserved.folderName));
        } else {
            ComposePageLines(message, fields, options.withDesign, options.design,
                             LinksToFiles(attachments, files, reserved.folderName));
            text = PageTextWithImages(folder, message, names);
        }
        WriteFileReplacing(reserved.page.path, text);
    } catch (const Error& e) {
        AbandonPageWithFolder(reserved, e.what());
    } catch (...) {
        RemovePageWithFolder(reserved);  // out of memory, say: no empty page stays behind either
        throw;
    }
    return {reserved.page, asText};
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
    // The page lists them itself; listed here for the files and the text's list.
    const std::vector<TAttachment> attachments =
        options.withAttachments || asText ? ListAttachments(*message) : std::vector<TAttachment>();
    if (options.withAttachments && !attachments.empty())
        return ExportWithAttachments(folder, base, *message, fields, options, asText, attachments, namer);
    if (asText)
        return {namer.Create(folder, base, ".txt", TextWithList(*message, options, AttachmentListText(attachments))),
                true};
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

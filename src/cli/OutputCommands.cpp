#include "cli/OutputCommands.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "output/BatchLoop.h"
#include "output/ExportMessage.h"
#include "output/SaveMessage.h"
#include "platform/FileAccess.h"
#include "platform/TerminalText.h"
#include "platform/WindowsPath.h"
#include "platform/ProgramFolders.h"
#include "render/MessagePage.h"
#include "store/FolderRescue.h"

namespace vellumine::cli {
namespace {

// The chosen template's path; without a choice the last template in name
// order, as the window picks it, or none when the folder holds none.
std::string TemplatePathFor(const std::optional<std::string>& name)
{
    const std::string folder = TemplateFolder();
    const std::vector<std::string> names = ListTemplates(folder);
    if (!name)
        return names.empty() ? std::string() : folder + names.back();
    if (const auto path = DesignTemplatePath(folder, *name))
        return *path;
    std::string known;
    for (const std::string& each : names)
        known += (known.empty() ? "" : ", ") + each;
    throw UsageError("Unbekannte Design-Vorlage '" + *name + "' (" +
                     (known.empty() ? std::string("im Ordner vorlagen/ liegt keine") : "vorhanden: " + known) + ")");
}

PageDesign DesignFrom(const PageOptions& page)
{
    PageDesign design;
    design.templatePath = TemplatePathFor(page.templateName);
    if (page.fields) {
        std::set<std::string> wanted;
        std::istringstream list(*page.fields);
        for (std::string field; std::getline(list, field, ',');)
            wanted.insert(field);
        for (const auto& field : wanted)
            if (field != "von" && field != "an" && field != "datum" && field != "betreff")
                throw Error("Unbekanntes Kopffeld '" + field + "' (erlaubt: von, an, datum, betreff)");
        design.showFrom = wanted.count("von") > 0;
        design.showTo = wanted.count("an") > 0;
        design.showDate = wanted.count("datum") > 0;
        design.showSubject = wanted.count("betreff") > 0;
    }
    return design;
}

// The messages a run handles: all in reader order, or those whose source
// starts at one of the given offsets.
std::vector<Toe5_MessageInfo> SelectedMessages(StoreReader& reader, const std::string& fileName,
                                               const std::vector<std::uint32_t>& offsets,
                                               StoreReadReport* report = nullptr)
{
    StoreRecords records;
    reader.ReadStoreIndex(fileName, &records, report);
    if (offsets.empty())
        return records.Messages;
    std::vector<Toe5_MessageInfo> selected;
    for (auto& message : records.Messages)
        if (std::find(offsets.begin(), offsets.end(), message.SourceOffset) != offsets.end())
            selected.push_back(message);
    return selected;
}

// The messages of a rescue in the order a run takes them: the index's,
// then the scan's.
std::vector<Toe5_MessageInfo> MessagesOf(const FolderRescue& rescue)
{
    std::vector<Toe5_MessageInfo> messages = rescue.Indexed();
    for (const RescuedMessage& found : rescue.Rescued())
        messages.push_back(found.info);
    return messages;
}

std::vector<Toe5_MessageInfo> Chosen(std::vector<Toe5_MessageInfo> messages, const std::vector<std::uint32_t>& offsets)
{
    if (offsets.empty())
        return messages;
    std::vector<Toe5_MessageInfo> selected;
    for (auto& message : messages)
        if (std::find(offsets.begin(), offsets.end(), message.SourceOffset) != offsets.end())
            selected.push_back(std::move(message));
    return selected;
}

void ShowProgress(std::size_t done, std::size_t total)
{
    if (total && ::isatty(STDERR_FILENO))
        std::cerr << '\r' << done * 100 / total << " %  (" << done << '/' << total << ')' << std::flush;
}

void EndProgress(std::size_t total)
{
    if (total && ::isatty(STDERR_FILENO))
        std::cerr << '\n';
}

// Each fragment as the bytes of its own blocks, named after where it lies;
// false when any could not be read or written (said on standard error).
bool SaveFragments(StoreReader& reader, const std::string& fileName, const FolderRescue& rescue,
                   const std::string& folder)
{
    if (rescue.Fragments().empty())
        return true;
    if (!CreateFolders(folder)) {
        std::cerr << FileCreateError(folder).what() << '\n';
        return false;
    }
    bool allSaved = true;
    for (const RescuedMessage& fragment : rescue.Fragments()) {
        try {
            const std::string bytes = reader.ReadMessageSource(fileName, fragment.info);
            CreateUniqueFile(folder, BaseName{"Fragment an Position " + std::to_string(fragment.info.SourceOffset), {}},
                             ".bin", bytes);
        } catch (const Error& e) {
            std::cerr << e.what() << '\n';
            allSaved = false;
        }
    }
    return allSaved;
}

}  // namespace

std::unique_ptr<FolderRescue> RunRescue(StoreReader& reader, const std::string& fileName)
{
    auto rescue = std::make_unique<FolderRescue>(reader, fileName);
    const bool onTerminal = ::isatty(STDERR_FILENO);
    int shown = -1;
    while (rescue->Step()) {
        const int percent = static_cast<int>(rescue->Progress() * 100);
        if (onTerminal && percent != shown) {
            shown = percent;
            std::cerr << "\rDurchsuche " << fileName << ": " << percent << " %" << std::flush;
        }
    }
    if (onTerminal)
        std::cerr << '\n';
    return rescue;
}

void ComposePage(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                 const std::string& outputFolder, const PageOptions& page)
{
    const PageDesign design = DesignFrom(page);  // a refused choice before anything is read or made
    auto reader = MakeStoreReader(options);
    const auto messages = SelectedMessages(*reader, fileName, {offset});
    if (messages.empty())
        throw Error("Keine Nachricht beginnt an Position " + std::to_string(offset));
    const std::string source = reader->ReadMessageSource(fileName, offset);
    if (!CreateFolders(outputFolder))
        throw FileCreateError(outputFolder);
    ExportMessagePage(outputFolder, BaseName{"mail", {}}, source, HeaderFieldsOf(messages.front()), page.withDesign,
                      design);
}

void WriteMessageAttachments(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                             const std::string& outputFolder, std::ostream& out)
{
    auto reader = MakeStoreReader(options);
    if (SelectedMessages(*reader, fileName, {offset}).empty())
        throw Error("Keine Nachricht beginnt an Position " + std::to_string(offset));
    // Read whole before anything is made: a message cut short gives no files.
    const std::string source = reader->ReadMessageSource(fileName, offset);
    const auto message = ParseMessageSource(source);
    const std::vector<TAttachment> attachments = ListAttachments(*message);
    if (attachments.empty()) {
        std::cerr << "Die Nachricht hat keine Anlagen.\n";
        return;
    }
    if (!CreateFolders(outputFolder))
        throw FileCreateError(outputFolder);
    UniqueFileNamer names;
    for (const TAttachment& attachment : attachments)
        out << TerminalText(WriteAttachmentFile(attachment, outputFolder, names).path) << '\n';
}

namespace {

// A save or export run over the chosen messages: each fails alone with its
// error on standard error; a progress line on a terminal. Returns the number
// handled; `failed` tells whether anything went wrong: a message that
// failed, a damaged folder file, or one that changed during the run, each
// said on standard error.
std::size_t RunOverMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                            const BatchOptions& batch, bool& failed, const char* failedSentence,
                            const std::function<void(const std::string&, const Toe5_MessageInfo&)>& handle)
{
    auto reader = MakeStoreReader(options);
    StoreReadReport report;
    std::unique_ptr<FolderRescue> rescue;
    std::vector<Toe5_MessageInfo> messages;
    if (batch.salvage || batch.fragments) {
        rescue = RunRescue(*reader, fileName);
        report = rescue->Report().read;
        messages = Chosen(MessagesOf(*rescue), batch.offsets);
    } else {
        messages = SelectedMessages(*reader, fileName, batch.offsets, &report);
    }
    CreateFolders(outputFolder);  // a folder that cannot be made shows in every file
    BatchCallbacks callbacks;
    callbacks.handle = handle;
    callbacks.failed = [](const Toe5_MessageInfo&, const std::string& error) {
        std::cerr << TerminalText(error) << '\n';
    };
    callbacks.progress = ShowProgress;
    const BatchOutcome outcome = RunMessageBatch(*reader, fileName, messages, callbacks);
    EndProgress(messages.size());
    if (outcome.failed > 0)
        std::cerr << outcome.failed << " von " << messages.size() << failedSentence << '\n';
    if (!outcome.changedFile.empty())
        std::cerr << ChangedFileSentence(fileName) << '\n';
    bool fragmentsFailed = false;
    if (rescue) {
        if (batch.fragments)
            fragmentsFailed = !SaveFragments(*reader, fileName, *rescue, JoinPath(outputFolder, "Fragmente"));
        std::cerr << RescueTable(rescue->Report());
    }
    if (!report.Clean())
        std::cerr << DamageSentence(report) << '\n';
    failed = outcome.failed > 0 || !outcome.changedFile.empty() || !report.Clean() || fragmentsFailed;
    return outcome.handled;
}

}  // namespace

int SaveMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                 const BatchOptions& batch)
{
    UniqueFileNamer names;
    bool failed = false;
    const std::size_t saved = RunOverMessages(
        options, fileName, outputFolder, batch, failed, " Nachrichten konnten nicht gespeichert werden.",
        [&](const std::string& source, const Toe5_MessageInfo& message) {
            SaveMessageAsEml(outputFolder, source, HeaderFieldsOf(message), batch.withDate, &names);
        });
    std::cout << CompletionSentence(saved, "gespeichert") << "\n";
    return failed ? 1 : 0;
}

int ExportMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                   const BatchOptions& batch, ExportFormat format, const PageOptions& page)
{
    const ExportOptions exportOptions{format,           batch.withDate, page.withDesign,
                                      DesignFrom(page), page.rawText,   page.withAttachments};
    UniqueFileNamer names;
    bool failed = false;
    const std::size_t exported = RunOverMessages(
        options, fileName, outputFolder, batch, failed, " Nachrichten konnten nicht exportiert werden.",
        [&](const std::string& source, const Toe5_MessageInfo& message) {
            ExportMessageFile(outputFolder, source, HeaderFieldsOf(message), exportOptions, &names);
        });
    std::cout << CompletionSentence(exported, "exportiert") << "\n";
    return failed ? 1 : 0;
}

}  // namespace vellumine::cli

#include "cli/OutputCommands.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "mime/MailMessage.h"
#include "output/BatchLoop.h"
#include "output/ExportMessage.h"
#include "output/SaveMessage.h"
#include "platform/FileAccess.h"
#include "platform/WindowsPath.h"
#include "render/MessagePage.h"

namespace vellumine::cli {
namespace {

PageDesign DesignFrom(const PageOptions& page)
{
    PageDesign design;
    const std::string folder = ProgramDirectory() + "vorlagen/";
    std::string name = page.templateName;
    if (name.empty()) {
        const auto names = ListTemplates(folder);
        if (!names.empty())
            name = names.back();
    }
    design.templatePath = name.empty() ? std::string() : folder + name;
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
                                               const std::vector<std::int32_t>& offsets)
{
    StoreRecords records;
    reader.ReadStoreIndex(fileName, &records);
    if (offsets.empty())
        return records.Messages;
    std::vector<Toe5_MessageInfo> selected;
    for (auto& message : records.Messages)
        if (std::find(offsets.begin(), offsets.end(), message.SourceOffset) != offsets.end())
            selected.push_back(message);
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

}  // namespace

void ComposePage(const CliOptions& options, const std::string& fileName, std::int32_t offset,
                 const std::string& outputFolder, const PageOptions& page)
{
    auto reader = MakeStoreReader(options);
    const auto messages = SelectedMessages(*reader, fileName, {offset});
    if (messages.empty())
        throw Error("Keine Nachricht beginnt an Position " + std::to_string(offset));
    const std::string source = reader->ReadMessageSource(fileName, offset);
    if (!CreateFolders(outputFolder))
        throw FileCreateError(outputFolder);
    ExportMessagePage(outputFolder, BaseName{"mail", {}}, source, HeaderFieldsOf(messages.front()), page.withDesign,
                      DesignFrom(page));
}

namespace {

// A save or export run over the chosen messages: each fails alone with its
// error on standard error; a progress line on a terminal. Returns the number
// handled; `failed` tells whether any message failed.
std::size_t RunOverMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                            const BatchOptions& batch, bool& failed,
                            const std::function<void(const std::string&, const Toe5_MessageInfo&)>& handle)
{
    auto reader = MakeStoreReader(options);
    const auto messages = SelectedMessages(*reader, fileName, batch.offsets);
    CreateFolders(outputFolder);  // a folder that cannot be made shows in every file
    BatchCallbacks callbacks;
    callbacks.handle = handle;
    callbacks.failed = [](const Toe5_MessageInfo&, const std::string& error) { std::cerr << error << '\n'; };
    callbacks.progress = ShowProgress;
    const BatchOutcome outcome = RunMessageBatch(*reader, fileName, messages, callbacks);
    EndProgress(messages.size());
    failed = outcome.failed > 0;
    return outcome.handled;
}

}  // namespace

int SaveMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                 const BatchOptions& batch)
{
    UniqueFileNamer names;
    bool failed = false;
    const std::size_t saved = RunOverMessages(
        options, fileName, outputFolder, batch, failed, [&](const std::string& source, const Toe5_MessageInfo& message) {
            SaveMessageAsEml(outputFolder, source, HeaderFieldsOf(message), batch.withDate, &names);
        });
    std::cout << CompletionSentence(saved, "gespeichert") << "\n";
    return failed ? 1 : 0;
}

int ExportMessages(const CliOptions& options, const std::string& fileName, const std::string& outputFolder,
                   const BatchOptions& batch, ExportFormat format, const PageOptions& page)
{
    const ExportOptions exportOptions{format, batch.withDate, page.withDesign, DesignFrom(page), page.rawText};
    UniqueFileNamer names;
    bool failed = false;
    const std::size_t exported = RunOverMessages(
        options, fileName, outputFolder, batch, failed, [&](const std::string& source, const Toe5_MessageInfo& message) {
            ExportMessageFile(outputFolder, source, HeaderFieldsOf(message), exportOptions, &names);
        });
    std::cout << CompletionSentence(exported, "exportiert") << "\n";
    return failed ? 1 : 0;
}

}  // namespace vellumine::cli

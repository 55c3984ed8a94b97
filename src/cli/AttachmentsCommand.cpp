#include "cli/AttachmentsCommand.h"

#include <charconv>
#include <iostream>
#include <unistd.h>

#include "migrate/StoreAttachments.h"
#include "platform/TerminalText.h"

namespace vellumine::cli {
namespace {

AttachmentSelection SelectionOf(const StoreAttachmentsRequest& request)
{
    AttachmentSelection selection;
    if (request.type) {
        selection.type = ParseAttachmentTypePattern(*request.type);
        if (!selection.type)
            throw UsageError("Unbekannter Typ '" + *request.type + "' für --type (erwartet: typ/untertyp oder typ/*, "
                             "etwa image/* oder application/pdf)");
    }
    if (request.minSize) {
        const std::string& text = *request.minSize;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), selection.minSize);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            throw UsageError("--min-size erwartet eine Zahl von Bytes, nicht '" + text + "'");
    }
    return selection;
}

// The folder --folder names, by its path as the folder tree shows it
// ("Lokale Ordner/Posteingang") or by its own name when that is unique.
std::size_t ChosenFolder(const std::vector<Toe5_FolderInfo>& folders, const std::string& name)
{
    const std::vector<MigrationFolder> found = FoldersNamed(folders, name);
    if (found.empty())
        throw UsageError("Die Postablage hat keinen Ordner '" + name + "' (die Ordner nennt: vellumine-cli folders)");
    if (found.size() > 1) {
        std::string paths;
        for (const MigrationFolder& folder : found)
            paths += (paths.empty() ? "" : ", ") + folder.shownPath;
        throw UsageError("Den Ordnernamen '" + name + "' tragen mehrere Ordner (" + paths +
                         "); geben Sie den ganzen Pfad an");
    }
    if (found.front().storeFile.empty())
        throw UsageError("Der Ordner '" + name + "' hat keine Ordnerdatei und damit keine Nachrichten");
    return found.front().folderIndex;
}

// "Posteingang: 120/4000  gesamt 5120/100000" on a terminal, nothing elsewhere.
StoreAttachmentCallbacks TerminalCallbacks()
{
    StoreAttachmentCallbacks callbacks;
    const bool onTerminal = ::isatty(STDERR_FILENO);
    callbacks.problem = [onTerminal](const std::string& sentence) {
        std::cerr << (onTerminal ? "\r\033[K" : "") << TerminalText(sentence) << '\n';
    };
    if (!onTerminal)
        return callbacks;
    callbacks.progress = ShowFolderProgress;
    return callbacks;
}

std::string CountedAttachments(std::size_t count)
{
    return count == 1 ? "1 Anlage" : std::to_string(count) + " Anlagen";
}

void PrintSummary(const StoreAttachmentResult& result)
{
    std::cout << (result.filesWritten == 1 ? "Es wurde " : "Es wurden ") << CountedAttachments(result.filesWritten)
              << " aus " << result.messagesWithAttachments
              << (result.messagesWithAttachments == 1 ? " Nachricht" : " Nachrichten") << " gespeichert!\n";
    if (result.duplicatesRecorded > 0)
        std::cout << CountedAttachments(result.duplicatesRecorded)
                  << " mit schon gespeichertem Inhalt nur im Verzeichnis vermerkt.\n";
    std::cout << "Verzeichnis: " << TerminalText(result.listingPath) << '\n';
}

}  // namespace

int TakeStoreAttachmentsCommand(const CliOptions& options, const StoreAttachmentsRequest& request)
{
    StoreAttachmentOptions run{request.outputFolder, SelectionOf(request), {}};
    auto reader = MakeStoreReader(options);
    const std::vector<Toe5_FolderInfo> folders = reader->ReadStoreFolders();
    if (request.folder)
        run.onlyFolders.push_back(ChosenFolder(folders, *request.folder));
    const StoreAttachmentCallbacks callbacks = TerminalCallbacks();
    const StoreAttachmentResult result = TakeStoreAttachments(*reader, folders, run, callbacks);
    if (callbacks.progress)
        std::cerr << "\r\033[K";
    if (result.messagesFailed > 0)
        std::cerr << result.messagesFailed << " von " << result.messagesRead + result.messagesFailed
                  << " Nachrichten konnten nicht gelesen oder ihre Anlagen nicht gespeichert werden.\n";
    PrintSummary(result);
    return result.Complete() ? 0 : 1;
}

}  // namespace vellumine::cli

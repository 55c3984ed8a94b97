#include "cli/MigrateCommand.h"

#include <iostream>
#include <unistd.h>

#include "migrate/StoreMigration.h"
#include "platform/Error.h"
#include "platform/TerminalText.h"

namespace vellumine::cli {
namespace {

// "Posteingang: 120/4000  gesamt 5120/100000" on a terminal, nothing elsewhere.
MigrationCallbacks TerminalProgress()
{
    MigrationCallbacks callbacks;
    if (!::isatty(STDERR_FILENO))
        return callbacks;
    callbacks.progress = ShowFolderProgress;
    return callbacks;
}

}  // namespace

int MigrateStoreCommand(const CliOptions& options, const std::string& format, const std::string& outputFolder,
                        bool resume, bool salvage)
{
    auto reader = MakeStoreReader(options);
    const std::vector<Toe5_FolderInfo> folders = reader->ReadStoreFolders();
    MigrationOptions migration{FormatNamed(format).value_or(MigrationFormat::Mboxrd), outputFolder, resume,
                               MaildirHostName()};
    migration.salvage = salvage;
    const MigrationCallbacks callbacks = TerminalProgress();
    const MigrationResult result = MigrateStore(*reader, folders, migration, callbacks);
    if (callbacks.progress)
        std::cerr << '\n';
    std::cout << MigrationTable(result);
    bool reported = true;
    try {
        std::cout << "Bericht: " << TerminalText(WriteMigrationReport(result, migration)) << '\n';
    } catch (const Error& e) {
        std::cerr << "Der Bericht konnte nicht geschrieben werden: " << TerminalText(e.what()) << '\n';
        reported = false;
    }
    if (!result.Complete() || !reported) {
        std::cout << "Die Übernahme ist nicht vollständig: siehe die Meldungen oben.\n";
        return 1;
    }
    std::cout << "Alle Nachrichten wurden übernommen und geprüft.\n";
    return 0;
}

}  // namespace vellumine::cli

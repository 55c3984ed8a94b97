#include "cli/MigrateCommand.h"

#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "migrate/StoreMigration.h"
#include "output/OutputFileName.h"
#include "platform/Error.h"

namespace vellumine::cli {
namespace {

MigrationFormat ParseFormat(const std::string& name)
{
    if (name == "maildir")
        return MigrationFormat::Maildir;
    if (name == "eml")
        return MigrationFormat::EmlTree;
    return MigrationFormat::Mboxrd;
}

std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    std::string host = name;
    for (char& c : host)
        if (c == '/' || c == ':' || c == '.')
            c = '_';  // Maildir names use "." and ":" themselves
    return host;
}

// "Posteingang: 120/4000  gesamt 5120/100000" on a terminal, nothing elsewhere.
MigrationCallbacks TerminalProgress()
{
    MigrationCallbacks callbacks;
    if (!::isatty(STDERR_FILENO))
        return callbacks;
    callbacks.progress = [](const std::string& folder, std::size_t done, std::size_t total, std::size_t allDone,
                            std::size_t allTotal) {
        if (done != total && done % 64 != 0)
            return;
        std::cerr << "\r\033[K" << folder << ": " << done << '/' << total << "  gesamt " << allDone << '/'
                  << allTotal << std::flush;
    };
    return callbacks;
}

// The report beside the output folder; an existing report is not replaced.
std::string WriteReport(const std::string& outputFolder, const std::string& json)
{
    std::filesystem::path out = std::filesystem::absolute(outputFolder).lexically_normal();
    if (!out.has_filename())
        out = out.parent_path();
    const std::string parent = out.parent_path().string();
    return CreateUniqueFile(parent, BaseName{"migration-report", {}}, ".json", json).path;
}

}  // namespace

int MigrateStoreCommand(const CliOptions& options, const std::string& format, const std::string& outputFolder,
                        bool resume)
{
    auto reader = MakeStoreReader(options);
    const std::vector<Toe5_FolderInfo> folders = reader->ReadStoreFolders();
    const MigrationOptions migration{ParseFormat(format), outputFolder, resume, HostName()};
    const MigrationCallbacks callbacks = TerminalProgress();
    const MigrationResult result = MigrateStore(*reader, folders, migration, callbacks);
    if (callbacks.progress)
        std::cerr << '\n';
    std::cout << MigrationTable(result);
    const std::string report = WriteReport(outputFolder, MigrationReportJson(result, migration));
    std::cout << "Bericht: " << report << '\n';
    if (!result.Complete()) {
        std::cout << "Die Übernahme ist nicht vollständig: siehe die Meldungen oben.\n";
        return 1;
    }
    std::cout << "Alle Nachrichten wurden übernommen und geprüft.\n";
    return 0;
}

}  // namespace vellumine::cli

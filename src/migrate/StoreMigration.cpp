#include "migrate/StoreMigration.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <unordered_map>

#include "migrate/FolderOutput.h"
#include "output/BatchLoop.h"
#include "output/OutputFileName.h"
#include "mime/HeaderDecoding.h"
#include "platform/Error.h"
#include "platform/JsonText.h"
#include "platform/Sha256.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// How many messages of each SHA-256 a folder's output holds, the digests
// kept as their 32 bytes.
using DigestCounts = std::unordered_map<std::string, std::size_t>;

std::string DigestOf(std::string_view message)
{
    return Sha256Bytes(message);
}

DigestCounts DigestsOf(const FolderOutput& output)
{
    DigestCounts counts;
    output.ReadBack([&](std::string_view message) { ++counts[DigestOf(message)]; });
    return counts;
}

bool IsEmptyFolder(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return true;
    return std::filesystem::is_directory(path, error) && std::filesystem::is_empty(path, error);
}

std::string Describe(const Toe5_MessageInfo& info)
{
    return "\"" + DecodeHeaderText(info.Subject) + "\" (Position " + std::to_string(info.SourceOffset) + ")";
}

std::vector<Toe5_MessageInfo> MessagesOf(StoreReader& reader, const MigrationFolder& folder,
                                         FolderMigration& report)
{
    if (folder.storeFile.empty())
        return {};
    try {
        StoreRecords records;
        reader.ReadStoreIndex(folder.storeFile, &records);
        return std::move(records.Messages);
    } catch (const Error& e) {
        report.problems.push_back(e.what());
        return {};
    }
}

class Migration {
public:
    Migration(StoreReader& reader, const MigrationOptions& options, const MigrationCallbacks& callbacks)
        : FReader(reader), FOptions(options), FCallbacks(callbacks)
    {
    }

    MigrationResult Run(const std::vector<MigrationFolder>& plan)
    {
        MigrationResult result;
        std::vector<std::size_t> counts;
        for (const MigrationFolder& folder : plan) {
            FolderMigration ignored;
            counts.push_back(MessagesOf(FReader, folder, ignored).size());
            FAllTotal += counts.back();
        }
        for (std::size_t i = 0; i < plan.size(); ++i) {
            result.folders.push_back(MigrateFolder(plan[i]));
            if (FCancelled) {
                result.cancelled = true;
                break;
            }
        }
        return result;
    }

private:
    FolderMigration MigrateFolder(const MigrationFolder& folder)
    {
        FolderMigration report;
        report.storeId = folder.storeId;
        report.folder = folder.shownPath;
        report.output = RelativeMigrationPath(folder, FOptions.format);
        const std::vector<Toe5_MessageInfo> messages = MessagesOf(FReader, folder, report);
        report.inStore = messages.size();
        const std::string path = MigrationPathOf(folder, FOptions.format, FOptions.outputFolder);
        auto output = OpenFolderOutput(FOptions.format, path, FNames, FOptions.hostName);
        // On resume, what stands in the output already is not written again.
        DigestCounts present = FOptions.resume ? DigestsOf(*output) : DigestCounts();
        std::vector<std::pair<std::string, std::size_t>> writtenDigests;  // digest, index into messages

        BatchCallbacks batch;
        batch.handle = [&](const std::string& source, const Toe5_MessageInfo& info) {
            if (info.SourceOffset == 0)
                throw Error("Die Nachricht " + Describe(info) + " hat keinen Quelltext");
            std::string digest = DigestOf(source);
            if (auto there = present.find(digest); there != present.end() && there->second > 0) {
                --there->second;
                ++report.alreadyThere;
            } else {
                output->Write(source, info);
                ++report.written;
            }
            writtenDigests.emplace_back(std::move(digest), static_cast<std::size_t>(&info - messages.data()));
        };
        batch.failed = [&](const Toe5_MessageInfo& info, const std::string& error) {
            ++report.unreadable;
            report.problems.push_back("Nicht lesbar, übersprungen: " + Describe(info) + ": " + error);
        };
        std::size_t before = FAllDone;
        batch.progress = [&](std::size_t, std::size_t) {
            ++FAllDone;
            if (FCallbacks.progress)
                FCallbacks.progress(folder.shownPath, FAllDone - before, messages.size(), FAllDone, FAllTotal);
        };
        batch.cancelled = [&] {
            FCancelled = FCancelled || (FCallbacks.cancelled && FCallbacks.cancelled());
            return FCancelled;
        };
        // A message that cannot be written (the disk is full) is a problem
        // of the whole folder: it ends the folder with its error.
        try {
            RunMessageBatch(FReader, folder.storeFile, messages, batch);
            output->Close();
        } catch (const Error& e) {
            report.problems.push_back(e.what());
        }
        Verify(*output, messages, writtenDigests, report);
        return report;
    }

    // Every message the store gave must stand in the output with its bytes,
    // and nothing else.
    static void Verify(const FolderOutput& output, const std::vector<Toe5_MessageInfo>& messages,
                       const std::vector<std::pair<std::string, std::size_t>>& digests, FolderMigration& report)
    {
        DigestCounts found = DigestsOf(output);
        for (const auto& [digest, index] : digests) {
            const Toe5_MessageInfo& info = messages[index];
            auto there = found.find(digest);
            if (there != found.end() && there->second > 0) {
                --there->second;
                ++report.verified;
            } else {
                report.problems.push_back("Fehlt in der Ausgabe oder weicht ab: " + Describe(info));
            }
        }
        std::size_t extra = 0;
        for (const auto& [digest, count] : found)
            extra += count;
        if (extra > 0)
            report.problems.push_back(std::to_string(extra) + " Nachrichten der Ausgabe stehen nicht in der Postablage");
    }

    StoreReader& FReader;
    const MigrationOptions& FOptions;
    const MigrationCallbacks& FCallbacks;
    UniqueFileNamer FNames;
    std::size_t FAllTotal = 0;
    std::size_t FAllDone = 0;
    bool FCancelled = false;
};

}  // namespace

bool MigrationResult::Complete() const
{
    if (cancelled)
        return false;
    for (const FolderMigration& folder : folders)
        if (!folder.problems.empty() || folder.unreadable > 0 || folder.verified != folder.inStore)
            return false;
    return true;
}

std::string FormatName(MigrationFormat format)
{
    switch (format) {
    case MigrationFormat::Mboxrd: return "mboxrd";
    case MigrationFormat::Maildir: return "maildir";
    case MigrationFormat::EmlTree: return "eml";
    }
    return {};
}

MigrationResult MigrateStore(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                             const MigrationOptions& options, const MigrationCallbacks& callbacks)
{
    if (!options.resume && !IsEmptyFolder(options.outputFolder))
        throw Error("Der Zielordner " + options.outputFolder +
                    " ist nicht leer. Wählen Sie einen leeren Ordner oder setzen Sie einen früheren Lauf fort");
    PrepareMigrationRoot(options.format, options.outputFolder);
    return Migration(reader, options, callbacks).Run(PlanMigrationFolders(folders));
}

std::string WriteMigrationReport(const MigrationResult& result, const MigrationOptions& options)
{
    std::filesystem::path out = std::filesystem::absolute(options.outputFolder).lexically_normal();
    if (!out.has_filename())
        out = out.parent_path();
    return CreateUniqueFile(out.parent_path().string(), BaseName{"migration-report", {}}, ".json",
                            MigrationReportJson(result, options))
        .path;
}

std::string MaildirHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    std::string host = name;
    for (char& c : host)
        if (c == '/' || c == ':' || c == '.')
            c = '_';
    return host;
}

std::size_t VerifiedMessages(const MigrationResult& result)
{
    std::size_t verified = 0;
    for (const FolderMigration& folder : result.folders)
        verified += folder.verified;
    return verified;
}

std::string MigrationTable(const MigrationResult& result)
{
    std::string table = "Ordner | Ausgabe | in der Postablage | geschrieben | schon da | nicht lesbar | geprüft\n";
    for (const FolderMigration& folder : result.folders) {
        table += folder.folder + " | " + folder.output + " | " + std::to_string(folder.inStore) + " | " +
                 std::to_string(folder.written) + " | " + std::to_string(folder.alreadyThere) + " | " +
                 std::to_string(folder.unreadable) + " | " + std::to_string(folder.verified) + "\n";
        for (const std::string& problem : folder.problems)
            table += "  " + problem + "\n";
    }
    if (result.cancelled)
        table += "Abgebrochen.\n";
    return table;
}

std::string MigrationReportJson(const MigrationResult& result, const MigrationOptions& options)
{
    std::string json = "{\n  \"format\": " + JsonString(FormatName(options.format)) +
                       ",\n  \"output\": " + JsonString(options.outputFolder) +
                       ",\n  \"complete\": " + (result.Complete() ? "true" : "false") +
                       ",\n  \"cancelled\": " + (result.cancelled ? "true" : "false") + ",\n  \"folders\": [";
    for (std::size_t i = 0; i < result.folders.size(); ++i) {
        const FolderMigration& f = result.folders[i];
        json += std::string(i ? "," : "") + "\n    {\"id\": " + std::to_string(f.storeId) +
                ", \"folder\": " + JsonString(f.folder) +
                ", \"output\": " + JsonString(f.output) + ", \"inStore\": " + std::to_string(f.inStore) +
                ", \"written\": " + std::to_string(f.written) + ", \"alreadyThere\": " +
                std::to_string(f.alreadyThere) + ", \"unreadable\": " + std::to_string(f.unreadable) +
                ", \"verified\": " + std::to_string(f.verified) + ", \"problems\": [";
        for (std::size_t k = 0; k < f.problems.size(); ++k)
            json += std::string(k ? ", " : "") + JsonString(f.problems[k]);
        json += "]}";
    }
    return json + "\n  ]\n}\n";
}

}  // namespace vellumine

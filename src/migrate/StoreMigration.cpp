#include "migrate/StoreMigration.h"

#include <cstdio>
#include <algorithm>
#include <ctime>
#include <set>
#include <filesystem>
#include <unistd.h>
#include <unordered_map>

#include "migrate/FolderOutput.h"
#include "migrate/Mboxrd.h"
#include "migrate/MessageTime.h"
#include "output/BatchLoop.h"
#include "output/OutputFileName.h"
#include "mime/HeaderDecoding.h"
#include "platform/Error.h"
#include "platform/JsonText.h"
#include "platform/Sha256.h"
#include "platform/TerminalText.h"
#include "store/FolderTree.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// How many messages of each SHA-256 a folder's output holds, the digests
// kept as their 32 bytes, and where each stands.
struct OutputDigests {
    std::unordered_map<std::string, std::size_t> counts;
    std::unordered_map<std::string, std::vector<std::string>> places;
    std::vector<std::string> odd;  // entries that hold no message
};

std::string DigestOf(std::string_view message)
{
    return Sha256Bytes(message);
}

OutputDigests DigestsOf(const FolderOutput& output)
{
    OutputDigests digests;
    output.ReadBack(
        [&](std::string_view message, const std::string& where) {
            std::string digest = DigestOf(message);
            ++digests.counts[digest];
            digests.places[digest].push_back(where);
        },
        [&](const std::string& where) { digests.odd.push_back(where); });
    return digests;
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

// "beschädigt: 1 Nachricht nicht lesbar", for a read that passed over something.
std::string DamageText(const StoreReadReport& report)
{
    std::vector<std::string> parts;
    const std::size_t messages = report.recordsUnreadable + report.recordsOverBudget + report.sourcesUnreadable;
    if (messages > 0)
        parts.push_back(std::to_string(messages) + (messages == 1 ? " Nachricht" : " Nachrichten") + " nicht lesbar");
    if (report.headerForeign)
        parts.push_back("Dateikopf unbekannt oder gelöscht");
    if (report.rootUnusable)
        parts.push_back("kein lesbarer Verzeichnisanfang");
    else if (report.rootFromCopy)
        parts.push_back("Verzeichnisanfang aus der Kopie gelesen");
    if (report.nodesUnreadable + report.entriesBeyondFile + report.linksPastEnd > 0)
        parts.push_back("Teile des Verzeichnisses nicht lesbar");
    if (report.nodesRevisited + report.recordsRepeated + report.sourcesShared > 0)
        parts.push_back("Verzeichnis verweist mehrfach auf dieselben Einträge");
    if (report.workBudgetSpent)
        parts.push_back("Lesen vor dem Ende abgebrochen");
    std::string text = "beschädigt: ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? ", " : "") + parts[i];
    return text;
}

std::vector<Toe5_MessageInfo> IndexedMessages(StoreReader& reader, const std::string& storeFile,
                                              FolderMigration& report)
{
    try {
        StoreRecords records;
        StoreReadReport readReport;
        reader.ReadStoreIndex(storeFile, &records, &readReport);
        if (!readReport.Clean()) {
            report.damaged = true;
            report.problems.push_back(DamageText(readReport));
        }
        return std::move(records.Messages);
    } catch (const Error& e) {
        report.problems.push_back(e.what());
        return {};
    }
}

// What the rescue of one folder file gave: kept for the folder and its
// sub-folder of rescued messages, so that each file is scanned once.
struct SalvagedFile {
    std::vector<Toe5_MessageInfo> indexed;
    std::vector<Toe5_MessageInfo> rescued;
    RescueReport report;
    std::string error;  // the file could not be opened
};

class Migration {
public:
    Migration(StoreReader& reader, const MigrationOptions& options, const MigrationCallbacks& callbacks)
        : FReader(reader), FOptions(options), FCallbacks(callbacks),
          FRunTime(FileTimeOfUnixTime(options.runTime ? options.runTime : static_cast<std::int64_t>(std::time(nullptr))))
    {
    }

    MigrationResult Run(const std::vector<Toe5_FolderInfo>& folders)
    {
        // With salvage each folder file is scanned first: only where the
        // scan found messages is there a folder for them.
        std::function<bool(const std::string&)> hasRescued;
        if (FOptions.salvage)
            hasRescued = [this](const std::string& storeFile) { return !Salvaged(storeFile).rescued.empty(); };
        const std::vector<MigrationFolder> plan = PlanMigrationFolders(folders, FOptions.format, hasRescued);
        MigrationResult result;
        for (const MigrationFolder& folder : plan) {
            FolderMigration ignored;
            FAllTotal += MessagesOf(folder, ignored).size();
        }
        for (const MigrationFolder& folder : plan) {
            result.folders.push_back(MigrateFolder(folder));
            if (!FStopped.empty()) {
                result.stopped = FStopped;
                break;
            }
            if (FCancelled) {
                result.cancelled = true;
                break;
            }
        }
        return result;
    }

private:
    std::vector<Toe5_MessageInfo> MessagesOf(const MigrationFolder& folder, FolderMigration& report)
    {
        if (folder.storeFile.empty())
            return {};
        if (!FOptions.salvage)
            return IndexedMessages(FReader, folder.storeFile, report);
        const SalvagedFile& file = Salvaged(folder.storeFile);
        if (folder.rescued)
            return file.rescued;
        if (!file.error.empty()) {
            report.problems.push_back(file.error);
            return {};
        }
        report.rescue = file.report;
        if (!file.report.read.Clean()) {
            report.damaged = true;
            report.problems.push_back(DamageText(file.report.read));
        }
        return file.indexed;
    }

    const SalvagedFile& Salvaged(const std::string& storeFile)
    {
        auto [place, fresh] = FSalvaged.try_emplace(storeFile);
        SalvagedFile& file = place->second;
        if (!fresh)
            return file;
        try {
            FolderRescue rescue(FReader, storeFile);
            while (rescue.Step())
                if (FCallbacks.cancelled && FCallbacks.cancelled()) {
                    FCancelled = true;
                    rescue.Cancel();
                }
            file.indexed = rescue.Indexed();
            for (const RescuedMessage& found : rescue.Rescued())
                file.rescued.push_back(found.info);
            file.report = rescue.Report();
        } catch (const Error& e) {
            file.error = e.what();
        }
        return file;
    }

    FolderMigration MigrateFolder(const MigrationFolder& folder)
    {
        FolderMigration report;
        report.storeId = folder.storeId;
        report.folder = folder.shownPath;
        report.output = RelativeMigrationPath(folder, FOptions.format);
        report.placedAtDepthBound = folder.placedAtDepthBound;
        report.rescued = folder.rescued;
        const std::vector<Toe5_MessageInfo> messages = MessagesOf(folder, report);
        report.inStore = messages.size();
        if (!folder.placeable) {
            report.problems.push_back("Der Ordner liegt zu tief: sein Name passt in diesem Format nicht in einen "
                                      "Dateinamen; er wird nicht geschrieben");
            FAllDone += messages.size();
            return report;
        }
        const std::string path = MigrationPathOf(folder, FOptions.format, FOptions.outputFolder);
        std::unique_ptr<FolderOutput> output;
        std::vector<std::pair<std::string, std::size_t>> writtenDigests;  // digest, index into messages
        const std::size_t before = FAllDone;
        // A folder that cannot be written is reported and skipped, the run
        // goes on; a full disk ends it.
        try {
            if (FOptions.resume)
                RefuseLinks(path);
            output = OpenFolderOutput(FOptions.format, path, FNames, FOptions.hostName);
            if (FOptions.resume)
                report.repairs = output->Repair(StoreDigests(folder, messages, report));
            // On resume, what stands in the output already is not written again.
            OutputDigests present = FOptions.resume ? DigestsOf(*output) : OutputDigests();
            const BatchOutcome outcome = RunMessageBatch(
                FReader, folder.storeFile, messages, Batch(folder, messages, *output, present.counts, writtenDigests, report));
            output->Close();
            if (!outcome.changedFile.empty())
                report.problems.push_back(ChangedFileSentence(outcome.changedFile));
        } catch (const OutputWriteError& e) {
            report.problems.push_back(e.what());
            if (e.DiskFull())
                FStopped = e.what();
        } catch (const Error& e) {
            report.problems.push_back(e.what());
        }
        FAllDone = before + messages.size();
        if (output)
            Verify(*output, messages, writtenDigests, report);
        return report;
    }

    BatchCallbacks Batch(const MigrationFolder& folder, const std::vector<Toe5_MessageInfo>& messages,
                         FolderOutput& output, std::unordered_map<std::string, std::size_t>& present,
                         std::vector<std::pair<std::string, std::size_t>>& writtenDigests, FolderMigration& report)
    {
        BatchCallbacks batch;
        batch.handle = [&](const std::string& source, const Toe5_MessageInfo& info) {
            if (info.SourceOffset == 0)
                throw Error("Die Nachricht " + Describe(info) + " hat keinen Quelltext");
            std::string digest = DigestInOutput(source);
            if (auto there = present.find(digest); there != present.end() && there->second > 0) {
                --there->second;
                ++report.alreadyThere;
            } else {
                output.Write(source, info, MigrationTimeOf(info.MessageDate, source, FRunTime));
                ++report.written;
            }
            writtenDigests.emplace_back(std::move(digest), static_cast<std::size_t>(&info - messages.data()));
        };
        batch.failed = [&](const Toe5_MessageInfo& info, const std::string& error) {
            ++report.unreadable;
            report.problems.push_back("Nicht lesbar, übersprungen: " + Describe(info) + ": " + error);
        };
        const std::size_t before = FAllDone;
        batch.progress = [&, before](std::size_t, std::size_t) {
            ++FAllDone;
            if (FCallbacks.progress)
                FCallbacks.progress(folder.shownPath, FAllDone - before, messages.size(), FAllDone, FAllTotal);
        };
        batch.cancelled = [&] {
            FCancelled = FCancelled || (FCallbacks.cancelled && FCallbacks.cancelled());
            return FCancelled;
        };
        return batch;
    }

    // The digests of the folder's messages in the store, for putting right
    // what an interrupted run left.
    std::set<std::string> StoreDigests(const MigrationFolder& folder, const std::vector<Toe5_MessageInfo>& messages,
                                       FolderMigration& report)
    {
        std::set<std::string> digests;
        BatchCallbacks batch;
        batch.handle = [&](const std::string& source, const Toe5_MessageInfo&) { digests.insert(DigestInOutput(source)); };
        batch.cancelled = [&] { return FCancelled; };
        const BatchOutcome outcome = RunMessageBatch(FReader, folder.storeFile, messages, batch);
        if (!outcome.changedFile.empty())
            report.problems.push_back(ChangedFileSentence(outcome.changedFile));
        return digests;
    }

    // The digest of the message as the output holds it: byte for byte, in
    // mbox files with a break after a last line that needed one.
    std::string DigestInOutput(const std::string& source) const
    {
        if (!IsMboxFormat(FOptions.format) || source.empty() || source.back() == '\n')
            return DigestOf(source);
        return DigestOf(MboxHeldMessage(source, FOptions.format == MigrationFormat::Thunderbird));
    }

    // A resumed run finds the output as someone left it: it never writes
    // through a symbolic link inside it.
    void RefuseLinks(const std::string& path) const
    {
        RefuseLinksBelow(FOptions.outputFolder, path);
        if (FOptions.format == MigrationFormat::Maildir)
            for (const char* sub : {"/cur", "/new", "/tmp"})
                RefuseLinksBelow(FOptions.outputFolder, path + sub);
        if (IsMboxFormat(FOptions.format))
            RefuseLinksBelow(FOptions.outputFolder, path + ".sbd");
    }

    // Every message the store gave must stand in the output with its bytes,
    // and nothing else; what else stands there is named.
    static void Verify(const FolderOutput& output, const std::vector<Toe5_MessageInfo>& messages,
                       const std::vector<std::pair<std::string, std::size_t>>& digests, FolderMigration& report)
    {
        OutputDigests found = DigestsOf(output);
        for (const auto& [digest, index] : digests) {
            auto there = found.counts.find(digest);
            if (there != found.counts.end() && there->second > 0) {
                --there->second;
                ++report.verified;
            } else {
                report.problems.push_back("Fehlt in der Ausgabe oder weicht ab: " + Describe(messages[index]));
            }
        }
        std::size_t extra = 0;
        std::string names;
        for (const auto& [digest, count] : found.counts) {
            const std::vector<std::string>& places = found.places[digest];
            for (std::size_t i = places.size() - count; i < places.size(); ++i)
                names += (extra++ ? ", " : "") + places[i];
        }
        if (extra > 0)
            report.problems.push_back(std::to_string(extra) + " Nachrichten der Ausgabe stehen nicht in der Postablage: " +
                                      names);
        for (const std::string& odd : found.odd)
            report.problems.push_back("Keine Nachrichtendatei, übergangen: " + odd);
    }

    StoreReader& FReader;
    const MigrationOptions& FOptions;
    const MigrationCallbacks& FCallbacks;
    const std::uint64_t FRunTime;
    UniqueFileNamer FNames;
    std::unordered_map<std::string, SalvagedFile> FSalvaged;
    std::size_t FAllTotal = 0;
    std::size_t FAllDone = 0;
    bool FCancelled = false;
    std::string FStopped;
};

}  // namespace

bool MigrationResult::Complete() const
{
    if (cancelled || !stopped.empty())
        return false;
    for (const FolderMigration& folder : folders)
        if (!folder.problems.empty() || folder.damaged || folder.unreadable > 0 || folder.verified != folder.inStore)
            return false;
    return true;
}

std::string FormatName(MigrationFormat format)
{
    switch (format) {
    case MigrationFormat::Mboxrd: return "mboxrd";
    case MigrationFormat::Thunderbird: return "thunderbird";
    case MigrationFormat::Maildir: return "maildir";
    case MigrationFormat::EmlTree: return "eml";
    }
    return {};
}

std::optional<MigrationFormat> FormatNamed(std::string_view name)
{
    for (const auto format :
         {MigrationFormat::Mboxrd, MigrationFormat::Thunderbird, MigrationFormat::Maildir, MigrationFormat::EmlTree})
        if (FormatName(format) == name)
            return format;
    return std::nullopt;
}

MigrationResult MigrateStore(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                             const MigrationOptions& options, const MigrationCallbacks& callbacks)
{
    if (!options.resume && !IsEmptyFolder(options.outputFolder))
        throw Error("Der Zielordner " + options.outputFolder +
                    " ist nicht leer. Wählen Sie einen leeren Ordner oder setzen Sie einen früheren Lauf fort");
    PrepareMigrationRoot(options.format, options.outputFolder);
    return Migration(reader, options, callbacks).Run(folders);
}

std::string WriteMigrationReport(const MigrationResult& result, const MigrationOptions& options)
{
    std::filesystem::path out = std::filesystem::absolute(options.outputFolder).lexically_normal();
    if (!out.has_filename())
        out = out.parent_path();
    const std::string json = MigrationReportJson(result, options);
    try {
        return CreateUniqueFile(out.parent_path().string(), BaseName{"migration-report", {}}, ".json", json).path;
    } catch (const FileNotCreated&) {
        // The parent takes no file (not writable): the output folder does.
        return CreateUniqueFile(out.string(), BaseName{"migration-report", {}}, ".json", json).path;
    }
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

namespace {

std::string Indented(const std::string& lines)
{
    std::string text;
    std::size_t at = 0;
    while (at < lines.size()) {
        const std::size_t end = std::min(lines.find('\n', at), lines.size());
        text += "  " + lines.substr(at, end - at) + "\n";
        at = end + 1;
    }
    return text;
}

std::string RescueJson(const RescueReport& report)
{
    return "{\"fromIndex\": " + std::to_string(report.fromIndex) + ", \"deleted\": " + std::to_string(report.deleted) +
           ", \"orphaned\": " + std::to_string(report.orphaned) + ", \"movedCopies\": " +
           std::to_string(report.movedCopies) + ", \"incomplete\": " + std::to_string(report.incomplete) +
           ", \"fragments\": " + std::to_string(report.fragments) + ", \"duplicatesDropped\": " +
           std::to_string(report.duplicatesDropped) + "}";
}

}  // namespace

std::string MigrationTable(const MigrationResult& result)
{
    std::string table = "Ordner | Ausgabe | in der Postablage | geschrieben | schon da | nicht lesbar | geprüft\n";
    for (const FolderMigration& folder : result.folders) {
        table += TerminalText(folder.folder) + " | " + TerminalText(folder.output) + " | " +
                 std::to_string(folder.inStore) + " | " + std::to_string(folder.written) + " | " +
                 std::to_string(folder.alreadyThere) + " | " + std::to_string(folder.unreadable) + " | " +
                 std::to_string(folder.verified) + "\n";
        for (const std::string& problem : folder.problems)
            table += "  " + TerminalText(problem) + "\n";
        for (const std::string& repair : folder.repairs)
            table += "  " + TerminalText(repair) + "\n";
        if (folder.placedAtDepthBound)
            table += "  Lag in der Postablage tiefer als " + std::to_string(kMaxFolderDepth) +
                     " Ebenen: auf der untersten Ebene angelegt\n";
        // The scan's counts where it found anything; the report has them all.
        if (folder.rescue && folder.rescue->Rescued() + folder.rescue->fragments + folder.rescue->duplicatesDropped > 0)
            table += Indented(RescueTable(*folder.rescue));
    }
    if (!result.stopped.empty())
        table += TerminalText(result.stopped) + ".\n";
    if (result.cancelled)
        table += "Abgebrochen.\n";
    return table;
}

namespace {

std::string JsonList(const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (std::size_t k = 0; k < texts.size(); ++k)
        json += std::string(k ? ", " : "") + JsonString(texts[k]);
    return json + "]";
}

}  // namespace

std::string MigrationReportJson(const MigrationResult& result, const MigrationOptions& options)
{
    std::string json = "{\n  \"format\": " + JsonString(FormatName(options.format)) +
                       ",\n  \"output\": " + JsonString(options.outputFolder) +
                       ",\n  \"complete\": " + (result.Complete() ? "true" : "false") +
                       ",\n  \"cancelled\": " + (result.cancelled ? "true" : "false") +
                       ",\n  \"stopped\": " + (result.stopped.empty() ? "null" : JsonString(result.stopped)) +
                       ",\n  \"folders\": [";
    for (std::size_t i = 0; i < result.folders.size(); ++i) {
        const FolderMigration& f = result.folders[i];
        json += std::string(i ? "," : "") + "\n    {\"id\": " + std::to_string(f.storeId) +
                ", \"folder\": " + JsonString(f.folder) +
                ", \"output\": " + JsonString(f.output) + ", \"inStore\": " + std::to_string(f.inStore) +
                ", \"written\": " + std::to_string(f.written) + ", \"alreadyThere\": " +
                std::to_string(f.alreadyThere) + ", \"unreadable\": " + std::to_string(f.unreadable) +
                ", \"verified\": " + std::to_string(f.verified) + ", \"damaged\": " + (f.damaged ? "true" : "false") +
                (f.placedAtDepthBound ? ", \"placedAtDepthBound\": true" : "") +
                (f.rescued ? ", \"rescued\": true" : "") + (f.rescue ? ", \"rescue\": " + RescueJson(*f.rescue) : "") +
                ", \"problems\": " + JsonList(f.problems) + ", \"repairs\": " + JsonList(f.repairs) + "}";
    }
    return json + "\n  ]\n}\n";
}

}  // namespace vellumine

#include "migrate/StoreAttachments.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "migrate/FolderOutput.h"
#include "migrate/MessageTime.h"
#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "output/BatchLoop.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/FileAccess.h"
#include "platform/JsonText.h"
#include "platform/Sha256.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// RFC 2045's token: printable ASCII without blanks and tspecials.
bool IsToken(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127 ||
            std::strchr("()<>@,;:\\\"/[]?=", c))
            return false;
    return true;
}

std::string_view TypeOf(std::string_view contentType)
{
    return contentType.substr(0, contentType.find('/'));
}

std::string_view SubtypeOf(std::string_view contentType)
{
    const auto slash = contentType.find('/');
    return slash == std::string_view::npos ? std::string_view() : contentType.substr(slash + 1);
}

// attachments.json, written message by message so that a store of
// 100,000 messages never has its whole listing in memory.
class ListingFile {
public:
    explicit ListingFile(const std::string& outputFolder)
    {
        // Reserved under a free name first: an earlier run's listing stays.
        FPath = CreateUniqueFile(outputFolder, BaseName{"attachments", {}}, ".json", "").path;
        FOut.open(FPath, std::ios::binary | std::ios::trunc);
        if (!FOut)
            throw FileCreateError(FPath);
        FOut << "{\"messages\": [";
    }

    const std::string& Path() const { return FPath; }

    void Add(const std::string& folder, const std::string& file, const Toe5_MessageInfo& info,
             const std::vector<TakenAttachment>& taken, const std::string& error)
    {
        std::string out = FCount++ ? ",\n  {\"folder\": " : "\n  {\"folder\": ";
        AppendJsonString(out, folder);
        out += ", \"file\": ";
        AppendJsonString(out, Windows1252ToUtf8(file));
        out += ", \"sourceOffset\": " + std::to_string(info.SourceOffset) + ", \"subject\": ";
        AppendJsonString(out, Windows1252ToUtf8(info.Subject));
        out += ", \"date\": ";
        if (info.MessageDate == 0)
            out += "null";
        else
            AppendJsonString(out, FileTimeToIsoUtc(info.MessageDate));
        if (!error.empty()) {
            out += ", \"error\": ";
            AppendJsonString(out, error);
        }
        out += ", \"attachments\": [";
        for (std::size_t i = 0; i < taken.size(); ++i)
            AppendAttachment(out, taken[i], i > 0);
        out += "]}";
        FOut << out;
    }

    // The closing counts; raises when the file could not be written whole.
    void Finish(const StoreAttachmentResult& result)
    {
        FOut << "\n], \"filesWritten\": " << result.filesWritten
             << ", \"duplicatesRecorded\": " << result.duplicatesRecorded
             << ", \"messagesFailed\": " << result.messagesFailed
             << ", \"complete\": " << (result.Complete() ? "true" : "false") << "}\n";
        FOut.close();
        if (!FOut)
            throw FileCreateError(FPath);
    }

private:
    static void AppendAttachment(std::string& out, const TakenAttachment& taken, bool comma)
    {
        out += comma ? ", {\"name\": " : "{\"name\": ";
        AppendJsonString(out, taken.name);
        out += ", \"contentType\": ";
        AppendJsonString(out, taken.contentType);
        out += ", \"size\": " + std::to_string(taken.size) + ", \"sha256\": \"" + taken.sha256 + "\", \"path\": ";
        AppendJsonString(out, taken.path);
        out += taken.duplicate ? ", \"duplicate\": true}" : ", \"duplicate\": false}";
    }

    std::string FPath;
    std::ofstream FOut;
    std::size_t FCount = 0;
};

struct PlannedFolder {
    MigrationFolder folder;
    std::size_t messageCount = 0;
};

// The chosen folders with a folder file and how many messages each holds
// (for the progress line); a file that cannot be read, or not cleanly, is
// said and counted here, once. The records themselves are read again for
// each folder's turn, so that a store of many folders never holds all of
// them at once.
std::vector<PlannedFolder> PlanChosenFolders(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                             const std::vector<std::size_t>& only,
                                             const StoreAttachmentCallbacks& callbacks, StoreAttachmentResult& result)
{
    std::vector<PlannedFolder> planned;
    for (MigrationFolder& folder : PlanMigrationFolders(folders, MigrationFormat::EmlTree)) {
        if (folder.storeFile.empty() || !folder.placeable)
            continue;
        if (!only.empty() && std::find(only.begin(), only.end(), folder.folderIndex) == only.end())
            continue;
        StoreRecords records;
        StoreReadReport report;
        try {
            reader.ReadStoreIndex(folder.storeFile, &records, &report);
        } catch (const Error& e) {
            ++result.foldersUnreadable;
            if (callbacks.problem)
                callbacks.problem(e.what());
            continue;
        }
        if (!report.Clean()) {
            ++result.foldersUnreadable;
            if (callbacks.problem)
                callbacks.problem(folder.shownPath + ": " + DamageSentence(report));
        }
        planned.push_back({std::move(folder), records.Messages.size()});
    }
    return planned;
}

}  // namespace

std::optional<AttachmentTypePattern> ParseAttachmentTypePattern(std::string_view text)
{
    const std::string lower = LowerAsciiText(std::string(text));
    const auto slash = lower.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    AttachmentTypePattern pattern{lower.substr(0, slash), lower.substr(slash + 1)};
    // "*" stands for a whole subtype only: "image/p*" would look like a
    // prefix yet match nothing.
    const auto plainToken = [](const std::string& token) {
        return IsToken(token) && token.find('*') == std::string::npos;
    };
    if (!plainToken(pattern.type) || (pattern.subtype != "*" && !plainToken(pattern.subtype)))
        return std::nullopt;
    return pattern;
}

bool AttachmentSelection::Takes(const TAttachment& attachment) const
{
    if (attachment.size < minSize)
        return false;
    if (!type)
        return true;
    const std::string lower = LowerAsciiText(attachment.contentType);
    return TypeOf(lower) == type->type && (type->subtype == "*" || SubtypeOf(lower) == type->subtype);
}

std::string AttachmentDatePrefix(std::uint64_t storeDate, std::string_view source)
{
    return EmlDatePrefix(MigrationTimeOf(storeDate, source, 0));
}

std::string AttachmentWriter::PreparedFolder(const std::string& relativeFolder)
{
    const auto known = FPreparedFolders.find(relativeFolder);
    if (known != FPreparedFolders.end())
        return known->second;
    const std::string path = relativeFolder.empty() ? FOutputFolder : JoinPath(FOutputFolder, relativeFolder);
    // A link inside the output folder (left there by anyone) would take the
    // files elsewhere.
    RefuseLinksBelow(FOutputFolder, path);
    if (!CreateFolders(path))
        throw FileCreateError(path);
    FPreparedFolders.emplace(relativeFolder, path);
    return path;
}

void AttachmentWriter::Take(const std::vector<TAttachment>& attachments, const AttachmentSelection& selection,
                            const std::string& relativeFolder, const std::string& datePrefix,
                            std::vector<TakenAttachment>& taken)
{
    for (const TAttachment& attachment : attachments) {
        if (!selection.Takes(attachment))
            continue;
        // Hashed and written from pieces: a large attachment is never held
        // decoded whole.
        const BytePieces bytes = AttachmentBytes(attachment);
        Sha256Hasher hasher;
        std::size_t size = 0;
        bytes([&](std::string_view piece) {
            hasher.Add(piece);
            size += piece.size();
        });
        TakenAttachment entry{attachment.fileName, attachment.contentType, size, hasher.Hex(), {}, false};
        if (const auto earlier = FPathOfContent.find(entry.sha256); earlier != FPathOfContent.end()) {
            entry.path = earlier->second;
            entry.duplicate = true;
            ++FDuplicates;
        } else {
            auto [base, extension] = SplitFileName(SafeAttachmentFileName(attachment.fileName));
            if (!datePrefix.empty())
                base.subjectPart = datePrefix + " " + base.subjectPart;
            const CreatedFile file = FNames.CreateFromPieces(PreparedFolder(relativeFolder), base, extension, bytes);
            const std::string name = file.path.substr(file.path.rfind('/') + 1);
            entry.path = relativeFolder.empty() ? name : relativeFolder + "/" + name;
            FPathOfContent.emplace(entry.sha256, entry.path);
            ++FFilesWritten;
        }
        taken.push_back(std::move(entry));
    }
}

StoreAttachmentResult TakeStoreAttachments(StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                                           const StoreAttachmentOptions& options,
                                           const StoreAttachmentCallbacks& callbacks)
{
    StoreAttachmentResult result;
    if (!CreateFolders(options.outputFolder))
        throw FileCreateError(options.outputFolder);
    ListingFile listing(options.outputFolder);
    result.listingPath = listing.Path();
    const std::vector<PlannedFolder> planned = PlanChosenFolders(reader, folders, options.onlyFolders, callbacks, result);
    std::size_t allTotal = 0;
    for (const PlannedFolder& each : planned)
        allTotal += each.messageCount;

    AttachmentWriter writer(options.outputFolder);
    std::size_t allDone = 0;
    for (const PlannedFolder& each : planned) {
        const std::string relative = RelativeMigrationPath(each.folder, MigrationFormat::EmlTree);
        const std::string& file = each.folder.storeFile;
        StoreRecords records;
        try {
            reader.ReadStoreIndex(file, &records);
        } catch (const Error& e) {  // gone since it was planned
            ++result.foldersUnreadable;
            if (callbacks.problem)
                callbacks.problem(e.what());
            continue;
        }
        // What the message being handled got written, for the listing also
        // when a later attachment of it fails.
        std::vector<TakenAttachment> taken;
        const Toe5_MessageInfo* handling = nullptr;
        std::size_t failedHere = 0;
        BatchCallbacks batch;
        batch.handle = [&](std::string& source, const Toe5_MessageInfo& info) {
            taken.clear();
            handling = &info;
            const std::string datePrefix = AttachmentDatePrefix(info.MessageDate, source);
            TMailMessage message;
            message.ParseString(std::move(source));  // kept, not copied
            message.IndexParts();
            writer.Take(ListAttachments(message), options.selection, relative, datePrefix, taken);
            handling = nullptr;
            listing.Add(each.folder.shownPath, file, info, taken, {});
            result.messagesWithAttachments += taken.empty() ? 0 : 1;
        };
        batch.failed = [&](const Toe5_MessageInfo& info, const std::string& error) {
            ++result.messagesFailed;
            ++failedHere;
            listing.Add(each.folder.shownPath, file, info, handling == &info ? taken : std::vector<TakenAttachment>(),
                        error);
            handling = nullptr;
            if (callbacks.problem)
                callbacks.problem(each.folder.shownPath + ", Nachricht an Position " + std::to_string(info.SourceOffset) +
                                  ": " + error);
        };
        batch.progress = [&](std::size_t handled, std::size_t) {
            const std::size_t done = handled + failedHere;
            if (callbacks.progress)
                callbacks.progress(each.folder.shownPath, done, records.Messages.size(), allDone + done, allTotal);
        };
        const BatchOutcome outcome = RunMessageBatch(reader, file, records.Messages, batch);
        allDone += outcome.handled + outcome.failed;
        result.messagesRead += outcome.handled;
        if (!outcome.changedFile.empty()) {
            result.changedFile = outcome.changedFile;
            if (callbacks.problem)
                callbacks.problem(ChangedFileSentence(outcome.changedFile));
            break;
        }
    }
    result.filesWritten = writer.FilesWritten();
    result.duplicatesRecorded = writer.DuplicatesRecorded();
    listing.Finish(result);
    return result;
}

std::vector<MigrationFolder> FoldersNamed(const std::vector<Toe5_FolderInfo>& folders, const std::string& name)
{
    std::vector<MigrationFolder> found;
    for (MigrationFolder& folder : PlanMigrationFolders(folders, MigrationFormat::EmlTree))
        if (folder.shownPath == name || Windows1252ToUtf8(folders[folder.folderIndex].Name) == name)
            found.push_back(std::move(folder));
    return found;
}

}  // namespace vellumine

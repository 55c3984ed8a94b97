#include "store/StoreReader.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/Error.h"
#include "store/BlockClaims.h"
#include "store/ByteOrder.h"
#include "store/IndexWalker.h"
#include "store/MessageSource.h"
#include "store/RecordDecoder.h"
#include "store/StoreFile.h"
#include "store/StoreFormat.h"
#include "store/StoreFileName.h"

namespace vellumine {
namespace {
constexpr std::uint64_t kItemCountOffset = FileHeaderFields::kItemCountOffset;
constexpr std::uint64_t kRootNodeOffset = FileHeaderFields::kRootNodeOffset;
constexpr std::size_t kIndexWindow = 64 * 1024;
constexpr std::size_t kSourceWindow = 8 * 1024;
}  // namespace

StoreReader::StoreReader(std::shared_ptr<const StoreLocation> location) : FLocation(std::move(location)) {}

namespace {

StoreFileStamp StampFrom(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

Error SourceUnreadableError(std::uint32_t offset)
{
    return Error("Der Quelltext der Nachricht an Position " + std::to_string(offset) +
                 " ist nicht vollständig lesbar: die Ordnerdatei ist an dieser Stelle beschädigt.");
}

std::string DamageSentence(const StoreReadReport& report)
{
    if (report.MessagesExpected() == 0)
        return "Diese Ordnerdatei ist beschädigt: ihr Index nennt keine lesbare Nachricht.";
    return "Diese Ordnerdatei ist beschädigt: " + std::to_string(report.messagesWhole) + " von " +
           std::to_string(report.MessagesExpected()) + " Nachrichten lesbar.";
}

namespace {

}  // namespace

std::string StoreReader::PathToOpen(const std::string& fileName) const
{
    std::string shownPath;
    const std::string path = FLocation->StoreFilePath(fileName, shownPath);
    // A recorded name with a path in it would open a file outside the store.
    if (path.empty() || !IsPlainStoreFileName(fileName))
        throw FileOpenError(shownPath);
    return FindStoreFile(path);
}

std::unique_ptr<StoreFile> StoreReader::OpenStoreFile(const std::string& fileName, std::size_t windowSize)
{
    return std::make_unique<StoreFile>(PathToOpen(fileName), windowSize);
}

std::vector<Toe5_FolderInfo> StoreReader::ReadStoreFolders()
{
    std::string shownPath;
    const std::string listPath = FLocation->StoreFilePath(kFolderListFileName, shownPath);
    struct stat info {};
    if (listPath.empty() || ::stat(FindStoreFile(listPath).c_str(), &info) == 0) {
        StoreRecords records;
        ReadStoreIndex(kFolderListFileName, &records);
        return std::move(records.Folders);
    }
    const std::string folder = listPath.substr(0, listPath.size() - std::string(kFolderListFileName).size());
    std::vector<std::string> files;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && EqualIgnoringAsciiCase(name.substr(name.size() - 4), ".dbx"))
                files.push_back(name);
        }
        ::closedir(dir);
    }
    if (files.empty())
        throw FileOpenError(shownPath);
    std::sort(files.begin(), files.end());
    std::vector<Toe5_FolderInfo> folders;
    for (const std::string& file : files) {
        Toe5_FolderInfo folderInfo;
        folderInfo.Id = static_cast<std::int32_t>(folders.size() + 1);
        const std::string stem = file.substr(0, file.size() - 4);
        folderInfo.Name = IsValidUtf8(stem) ? Utf8ToWindows1252(stem) : stem;  // store texts are Windows-1252
        folderInfo.FileName = file;
        folders.push_back(std::move(folderInfo));
    }
    return folders;
}

std::uint64_t StoreReader::StoreFileSize(const std::string& fileName) const
{
    const auto stamp = StampOf(fileName);
    return stamp ? stamp->size : 0;
}

std::optional<StoreFileStamp> StoreReader::StampOf(const std::string& fileName) const
{
    const auto state = StateOf(fileName);
    return state ? std::optional<StoreFileStamp>(state->stamp) : std::nullopt;
}

std::optional<StoreFileState> StoreReader::StateOf(const std::string& fileName) const
{
    std::string path;
    try {
        path = PathToOpen(fileName);
    } catch (const Error&) {
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StoreFileState{StampFrom(info), static_cast<std::uint64_t>(info.st_ino)};
}

std::string StoreReader::StoreFolderPath() const
{
    std::string shownPath;
    const std::string listPath = FLocation->StoreFilePath(kFolderListFileName, shownPath);
    if (listPath.empty())
        return {};
    std::error_code failed;
    const auto folder = std::filesystem::absolute(listPath, failed).parent_path();
    const auto canonical = std::filesystem::weakly_canonical(folder, failed);
    return (failed ? folder : canonical).string();
}

void StoreReader::ReadItemCount(StoreFile& file)
{
    unsigned char word[4];
    FHeader = Toe5_FileHeader{};
    if (file.ReadAt(kItemCountOffset, sizeof word, word) == sizeof word)
        FHeader.ItemCount = DecodeSigned32(word);
}

namespace {

std::optional<std::uint32_t> WordAt(StoreFile& file, std::uint64_t at)
{
    unsigned char word[4];
    if (file.ReadAt(at, sizeof word, word) != sizeof word)
        return std::nullopt;
    return DecodeFixed32(word);
}

// The root of the index: the offset at 0x30, or its copy at 0xE4 when the
// first leads to no index node. None when neither does.
std::optional<std::uint32_t> IndexRoot(StoreFile& file, StoreReadReport& report)
{
    const auto root = WordAt(file, kRootNodeOffset);
    if (root && IsIndexNode(file, *root))
        return root;
    const auto copy = WordAt(file, FileHeaderFields::kRootNodeCopyOffset);
    if (copy && IsIndexNode(file, *copy)) {
        report.rootFromCopy = true;
        return copy;
    }
    report.rootUnusable = true;
    return std::nullopt;
}

}  // namespace

void StoreReader::WalkRecords(const std::string& fileName, StoreReadReport* report,
                              const std::function<void(StoreFile&, std::uint32_t, WorkBudget&)>& onRecord)
{
    auto file = OpenStoreFile(fileName, kIndexWindow);
    WorkBudget budget(file->Size());
    ReadItemCount(*file);
    StoreReadReport& said = budget.Report();
    said.itemCount = FHeader.ItemCount;
    // A header without the signature has been zeroed or overwritten: its
    // item count says nothing, and the index is looked for all the same.
    const auto signature = WordAt(*file, FileHeaderFields::kSignatureOffset);
    said.headerForeign = file->Size() > 0 && signature != FileHeaderFields::kSignature;
    if (said.headerForeign || FHeader.ItemCount > 0) {
        if (const auto root = IndexRoot(*file, said))
            WalkIndex(*file, *root, budget,
                      [&](std::uint32_t recordOffset) { onRecord(*file, recordOffset, budget); });
    }
    if (report)
        *report = said;
}

void StoreReader::ReadStoreIndex(const std::string& fileName, StoreRecords* list, StoreReadReport* report)
{
    if (!list)
        return;
    if (fileName == kFolderListFileName) {
        WalkRecords(fileName, report, [&](StoreFile& file, std::uint32_t recordOffset, WorkBudget& budget) {
            if (auto folder = ReadFolderRecord(file, recordOffset, budget))
                list->Folders.push_back(std::move(*folder));
        });
        return;
    }
    // Room for the records at once, as many as the header counts but no
    // more than the file could hold (each message takes a source block).
    const std::uint64_t fits = StoreFileSize(fileName) / (BlockHeader::kBlockLength + RecordHeader::kEncodedLength);
    bool reserved = false;
    ReadMessageRecords(
        fileName,
        [&](Toe5_MessageInfo&& message) {
            if (!reserved) {
                reserved = true;
                const auto counted = static_cast<std::uint64_t>(FHeader.ItemCount);
                list->Messages.reserve(list->Messages.size() + static_cast<std::size_t>(std::min(counted, fits)));
            }
            list->Messages.push_back(std::move(message));
        },
        report);
}

void StoreReader::ReadMessageRecords(const std::string& fileName,
                                     const std::function<void(Toe5_MessageInfo&&)>& onMessage,
                                     StoreReadReport* report)
{
    BlockClaims claims;
    ReadIndexedMessages(
        fileName, claims, [&](Toe5_MessageInfo&& message, std::uint64_t) { onMessage(std::move(message)); }, report);
}

void StoreReader::ReadIndexedMessages(
    const std::string& fileName, BlockClaims& claims,
    const std::function<void(Toe5_MessageInfo&&, std::uint64_t sourceLength)>& onMessage, StoreReadReport* report)
{
    if (fileName == kFolderListFileName) {  // folder records are no messages
        WalkRecords(fileName, report, [](StoreFile&, std::uint32_t, WorkBudget&) {});
        return;
    }
    // Each message's chain is followed as its record is read, every block
    // claimed: a source named twice, or a chain that runs into one read
    // before, is one message's text, taken once. So one read never yields
    // more text than the file holds.
    WalkRecords(fileName, report, [&](StoreFile& file, std::uint32_t recordOffset, WorkBudget& budget) {
        auto message = ReadMessageRecord(file, recordOffset, budget);
        if (!message)
            return;
        StoreReadReport& said = budget.Report();
        if (message->SourceOffset != 0 && claims.Claimed(message->SourceOffset)) {
            ++said.sourcesShared;
            return;
        }
        BlockChain chain;
        if (message->SourceOffset != 0)
            chain = FollowBlockChain(file, message->SourceOffset, 0, &claims);
        if (chain.end == ChainEnd::RunsIntoClaimed) {
            ++said.sourcesShared;
            return;
        }
        ++said.messagesRead;
        if (chain.end == ChainEnd::Whole)
            ++said.messagesWhole;
        else
            ++said.sourcesUnreadable;
        onMessage(std::move(*message), chain.length);
    });
}

void StoreReader::ReadMessagePlaces(const std::string& fileName,
                                    const std::function<void(const MessagePlace&)>& onPlace, StoreReadReport* report)
{
    if (fileName == kFolderListFileName) {  // folder records are no messages
        WalkRecords(fileName, report, [](StoreFile&, std::uint32_t, WorkBudget&) {});
        return;
    }
    WalkRecords(fileName, report, [&](StoreFile& file, std::uint32_t recordOffset, WorkBudget& budget) {
        if (const auto place = ReadMessagePlace(file, recordOffset, budget)) {
            ++budget.Report().messagesRead;
            onPlace(*place);
        }
    });
}

void StoreReader::ReadMessageRecordsAt(const std::string& fileName, const std::vector<std::uint32_t>& recordOffsets,
                                       const std::function<void(Toe5_MessageInfo&&)>& onMessage)
{
    auto file = OpenStoreFile(fileName, kIndexWindow);
    WorkBudget budget(file->Size());
    for (const std::uint32_t offset : recordOffsets) {
        if (auto message = ReadMessageRecord(*file, offset, budget))
            onMessage(std::move(*message));
        else if (budget.Spent())
            return;
    }
}

std::unique_ptr<StoreFile> StoreReader::OpenForReading(const std::string& fileName)
{
    return OpenStoreFile(fileName, kIndexWindow);
}

std::string StoreReader::ReadMessageSource(const std::string& fileName, const Toe5_MessageInfo& message)
{
    if (!message.Rescue.scanned)
        return ReadMessageSource(fileName, message.SourceOffset);
    auto source = ReadRescuedChain(SourceFile(fileName), message.SourceOffset, message.Rescue);
    if (!source)
        throw SourceUnreadableError(message.SourceOffset);
    return std::move(*source);
}

std::string StoreReader::ReadMessageSource(const std::string& fileName, std::uint32_t offset,
                                           std::int64_t displacement)
{
    if (offset == 0)
        throw Error("Die Nachricht hat keinen Quelltext in der Ordnerdatei.");
    StoreFile& file = SourceFile(fileName);
    auto source = ReadBlockChain(file, offset, displacement);
    if (!source)
        throw SourceUnreadableError(offset);
    return std::move(*source);
}

std::string StoreReader::ReadMessageSourceStart(const std::string& fileName, std::uint32_t offset,
                                                std::size_t maxBytes)
{
    if (offset == 0)
        throw Error("Die Nachricht hat keinen Quelltext in der Ordnerdatei.");
    StoreFile& file = SourceFile(fileName);
    // A block holds at most its data area: this many blocks cover the bound.
    const auto blocks = static_cast<std::uint32_t>(maxBytes / BlockHeader::kDataLength + 1);
    std::string text = ReadChainText(file, FollowBlockChain(file, offset, 0, nullptr, blocks));
    if (text.size() > maxBytes)
        text.resize(maxBytes);
    return text;
}

StoreFile& StoreReader::SourceFile(const std::string& fileName)
{
    const std::string path = PathToOpen(fileName);
    struct stat info {};
    const bool there = ::stat(path.c_str(), &info) == 0;
    if (!there || !FSourceFile || path != FSourcePath || StampFrom(info) != FSourceStamp ||
        info.st_ino != FSourceInode) {
        FSourceFile.reset();
        FSourceFile = std::make_shared<StoreFile>(path, kSourceWindow);  // raises the open error
        FSourcePath = path;
        FSourceStamp = StampFrom(info);
        FSourceInode = info.st_ino;
    }
    return *FSourceFile;
}

}  // namespace vellumine

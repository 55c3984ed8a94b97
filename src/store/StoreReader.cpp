#include "store/StoreReader.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/Error.h"
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
    std::string path;
    try {
        path = PathToOpen(fileName);
    } catch (const Error&) {
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return StampFrom(info);
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

void StoreReader::WalkRecords(const std::string& fileName, StoreReadReport* report,
                              const std::function<void(StoreFile&, std::uint32_t, WorkBudget&)>& onRecord)
{
    auto file = OpenStoreFile(fileName, kIndexWindow);
    ReadItemCount(*file);
    if (FHeader.ItemCount <= 0)
        return;
    unsigned char word[4];
    if (file->ReadAt(kRootNodeOffset, sizeof word, word) != sizeof word)
        return;
    WorkBudget budget(file->Size());
    WalkIndex(*file, DecodeFixed32(word), budget,
              [&](std::uint32_t recordOffset) { onRecord(*file, recordOffset, budget); });
    if (report)
        *report = budget.Report();
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
    const bool folderList = fileName == kFolderListFileName;
    WalkRecords(fileName, report, [&](StoreFile& file, std::uint32_t recordOffset, WorkBudget& budget) {
        if (folderList)
            return;  // folder records are no messages
        if (auto message = ReadMessageRecord(file, recordOffset, budget))
            onMessage(std::move(*message));
    });
}

std::string StoreReader::ReadMessageSource(const std::string& fileName, std::int32_t offset)
{
    if (offset <= 0)
        return {};
    StoreFile& file = SourceFile(fileName);
    ReadItemCount(file);
    if (FHeader.ItemCount <= 0)
        return {};
    return ReadBlockChain(file, static_cast<std::uint32_t>(offset));
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

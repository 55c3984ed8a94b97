#include "migrate/FolderOutput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "migrate/Mboxrd.h"
#include "mime/HeaderDecoding.h"
#include "output/OutputFileName.h"
#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/FileAccess.h"
#include "platform/Sha256.h"
#include "store/FileTime.h"

namespace vellumine {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr std::size_t kWriteBuffer = 1 << 20;
// Unfinished files of a run, removed by the next resumed run.
constexpr std::string_view kPartSuffix = ".vellumine-teil";

std::atomic<unsigned long> gFileCounter{0};

bool IsDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

void MakeFolder(const std::string& path)
{
    if (!CreateFolders(path))
        throw WriteErrorOf(path, errno);
}

void SetFileTime(const std::string& path, std::uint64_t fileTime)
{
    if (fileTime == 0)
        return;
    const struct timespec times[2] = {{UnixTimeOf(fileTime), 0}, {UnixTimeOf(fileTime), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Creates `path` exclusively (never through a link) with `bytes`; the errno
// value when that failed, EEXIST when the name is taken. A file that could
// not be written whole is removed.
int CreateExclusively(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, bytes) ? 0 : (errno ? errno : EIO);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.c_str());
    return error;
}

// A name no other file of this run or another process has.
std::string UniquePart(std::int64_t time, const std::string& host)
{
    return std::to_string(time) + ".M" + std::to_string(++gFileCounter) + "P" + std::to_string(::getpid()) + "." + host;
}

struct FolderEntry {
    std::string name;
    std::string path;
    struct stat info {};
};

// The entries of `folder` in name order, without "." and "..", as they
// stand (links not followed).
std::vector<FolderEntry> EntriesOf(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            FolderEntry e{name, JoinPath(folder, name), {}};
            if (::lstat(e.path.c_str(), &e.info) == 0)
                entries.push_back(std::move(e));
        }
        ::closedir(dir);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return entries;
}

// Every regular file in `folder` whose name passes `wanted` goes to `each`
// with its bytes; links and other odd entries so named go to `odd`.
void ForEachFile(const std::string& folder, const std::function<bool(const std::string&)>& wanted,
                 const FolderOutput::Each& each, const std::function<void(const std::string&)>& odd)
{
    for (const FolderEntry& entry : EntriesOf(folder)) {
        if (!wanted(entry.name))
            continue;
        const auto bytes = S_ISREG(entry.info.st_mode) ? ReadFileBytes(entry.path) : std::nullopt;
        if (bytes)
            each(*bytes, entry.path);
        else if (odd)
            odd(entry.path);
    }
}

// Removes the unfinished files of an interrupted run in `folder` (named
// so, or empty without the store holding an empty message); says which.
void RemoveLeftovers(const std::string& folder, const std::function<bool(const std::string&)>& wanted,
                     const std::set<std::string>& storeDigests, std::vector<std::string>& said)
{
    const bool storeHasEmpty = storeDigests.count(Sha256Bytes("")) > 0;
    for (const FolderEntry& entry : EntriesOf(folder)) {
        if (!S_ISREG(entry.info.st_mode))
            continue;
        const bool unfinished = EndsWith(entry.name, kPartSuffix);
        const bool empty = entry.info.st_size == 0 && !storeHasEmpty && wanted(entry.name);
        if ((unfinished || empty) && ::unlink(entry.path.c_str()) == 0)
            said.push_back((unfinished ? "Unfertige Datei eines früheren Laufs entfernt: " : "Leere Datei entfernt: ") +
                           entry.path);
    }
}

// mboxrd (or Thunderbird's variant): one file, appended to; messages that
// already stand in it stay.
class MboxOutput : public FolderOutput {
public:
    MboxOutput(std::string path, bool thunderbird) : FPath(std::move(path)), FThunderbird(thunderbird)
    {
        FDescriptor = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
        const int error = errno;
        struct stat info {};
        if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
            const bool opened = FDescriptor >= 0;
            if (opened)
                ::close(FDescriptor);
            FDescriptor = -1;
            throw WriteErrorOf(FPath, opened ? EINVAL : error);
        }
        FComplete = static_cast<std::uint64_t>(info.st_size);
    }
    ~MboxOutput() override
    {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
    }
    void Write(const std::string& source, const Toe5_MessageInfo&, std::uint64_t fileTime) override
    {
        FBuffer += FThunderbird ? ThunderbirdEntry(source, fileTime) : MboxrdEntry(source, fileTime);
        if (FBuffer.size() >= kWriteBuffer)
            Flush();
    }
    void Close() override
    {
        Flush();
        const int descriptor = FDescriptor;
        FDescriptor = -1;
        if (descriptor >= 0 && ::close(descriptor) != 0)
            throw WriteErrorOf(FPath, errno);
    }
    void ReadBack(const Each& each, const std::function<void(const std::string&)>&) const override
    {
        std::size_t number = 0;
        ReadEntries([&](std::string_view message, std::uint64_t, std::uint64_t) {
            each(FThunderbird ? WithoutMozillaStatus(message) : message,
                 FPath + " (Nachricht " + std::to_string(++number) + ")");
        });
    }
    std::vector<std::string> Repair(const std::set<std::string>& storeDigests) override
    {
        // A run cut short (a full disk, a crash) may have left the last
        // message in part: the file goes back to the end of its last
        // message that is whole, so that the next one is not glued to it.
        std::uint64_t lastStart = 0, lastEnd = 0;
        std::string lastDigest;
        bool any = false;
        ReadEntries([&](std::string_view message, std::uint64_t start, std::uint64_t end) {
            lastStart = start;
            lastEnd = end;
            lastDigest = Sha256Bytes(FThunderbird ? WithoutMozillaStatus(message) : message);
            any = true;
        });
        const std::uint64_t size = FileSize();
        const bool whole = any && lastEnd == size && size > 0 && ReadByteAt(size - 1) == '\n' &&
                           storeDigests.count(lastDigest) > 0;
        // Without any separator, only the start of a first one cut short
        // ("Fro") is ours to take back.
        const bool cutSeparator = !any && size > 0 && size < 5 && StartsWithCutSeparator(size);
        if (whole || (!any && !cutSeparator))
            return {};
        const std::uint64_t keep = any ? lastStart : 0;
        if (::truncate(FPath.c_str(), static_cast<off_t>(keep)) != 0)
            throw WriteErrorOf(FPath, errno);
        FComplete = keep;
        return {"Unvollständige letzte Nachricht eines früheren Laufs abgeschnitten (" + std::to_string(size - keep) +
                " Bytes): " + FPath};
    }

private:
    void ReadEntries(const MboxrdReader::Each& each) const
    {
        MboxrdReader reader(each);
        const int fd = ::open(FPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            std::vector<char> chunk(kWriteBuffer);
            ssize_t got;
            while ((got = ::read(fd, chunk.data(), chunk.size())) > 0)
                reader.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
            ::close(fd);
        }
        reader.Finish();
    }
    std::uint64_t FileSize() const
    {
        struct stat info {};
        return ::lstat(FPath.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    }
    bool StartsWithCutSeparator(std::uint64_t size) const
    {
        for (std::uint64_t i = 0; i < size; ++i)
            if (ReadByteAt(i) != "From "[i])
                return false;
        return true;
    }
    char ReadByteAt(std::uint64_t offset) const
    {
        char byte = 0;
        const int fd = ::open(FPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            if (::pread(fd, &byte, 1, static_cast<off_t>(offset)) != 1)
                byte = 0;
            ::close(fd);
        }
        return byte;
    }
    // A write the disk refused in part is taken back: the file ends with
    // its last whole message again.
    void Flush()
    {
        if (FBuffer.empty())
            return;
        if (!WriteAll(FDescriptor, FBuffer)) {
            const int error = errno ? errno : EIO;
            [[maybe_unused]] const int cut = ::ftruncate(FDescriptor, static_cast<off_t>(FComplete));
            FBuffer.clear();
            throw WriteErrorOf(FPath, error);
        }
        FComplete += FBuffer.size();
        FBuffer.clear();
    }

    std::string FPath;
    bool FThunderbird;
    std::string FBuffer;
    std::uint64_t FComplete = 0;  // bytes of whole messages in the file
    int FDescriptor = -1;
};

// Maildir++: each message written in tmp/ and moved into cur/ under a name
// no other file has, with its flags (S: read) and its date as file time,
// so that a file in cur/ is always whole.
class MaildirOutput : public FolderOutput {
public:
    MaildirOutput(std::string path, std::string hostName) : FPath(std::move(path)), FHost(std::move(hostName))
    {
        for (const char* sub : {"/cur", "/new", "/tmp"})
            MakeFolder(FPath + sub);
    }
    void Write(const std::string& source, const Toe5_MessageInfo&, std::uint64_t fileTime) override
    {
        const std::int64_t time = UnixTimeOf(fileTime);
        for (;;) {
            const std::string unique = UniquePart(time, FHost);
            const std::string part = FPath + "/tmp/" + unique + std::string(kPartSuffix);
            if (const int error = CreateExclusively(part, source)) {
                if (error == EEXIST)
                    continue;
                throw WriteErrorOf(part, error);
            }
            SetFileTime(part, fileTime);
            // The state the store records is not known: every message is read.
            const std::string name = FPath + "/cur/" + unique + ":2,S";
            if (::renameat2(AT_FDCWD, part.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
                return;
            const int error = errno;
            ::unlink(part.c_str());
            if (error != EEXIST)
                throw WriteErrorOf(name, error);
        }
    }
    void Close() override {}
    void ReadBack(const Each& each, const std::function<void(const std::string&)>& odd) const override
    {
        for (const char* sub : {"/cur", "/new"})
            ForEachFile(FPath + sub, [](const std::string& name) { return name[0] != '.'; }, each, odd);
    }
    std::vector<std::string> Repair(const std::set<std::string>& storeDigests) override
    {
        std::vector<std::string> said;
        RemoveLeftovers(FPath + "/tmp", [](const std::string&) { return false; }, storeDigests, said);
        for (const char* sub : {"/cur", "/new"})
            RemoveLeftovers(FPath + sub, [](const std::string& name) { return name[0] != '.'; }, storeDigests, said);
        return said;
    }

private:
    std::string FPath;
    std::string FHost;
};

bool IsEmlName(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".eml") == 0;
}

// One .eml file per message, named date first, byte for byte. The bytes go
// into a file of their own first and then under the chosen name, so that a
// file of that name is whole.
class EmlTreeOutput : public FolderOutput {
public:
    EmlTreeOutput(std::string path, UniqueFileNamer& names, std::string hostName)
        : FPath(std::move(path)), FNames(names), FHost(std::move(hostName))
    {
        MakeFolder(FPath);
    }
    void Write(const std::string& source, const Toe5_MessageInfo& info, std::uint64_t fileTime) override
    {
        std::string part;
        for (;;) {
            part = JoinPath(FPath, "." + UniquePart(UnixTimeOf(fileTime), FHost) + std::string(kPartSuffix));
            const int error = CreateExclusively(part, source);
            if (error == 0)
                break;
            if (error != EEXIST)
                throw WriteErrorOf(part, error);
        }
        SetFileTime(part, fileTime);
        const std::string date = EmlDatePrefix(fileTime);
        const std::string subject = MakeSafeFileName(Utf8ToWindows1252(DecodeHeaderText(info.Subject)));
        const std::string base = date.empty() ? subject : subject.empty() ? date : date + " " + subject;
        try {
            // A message rescued only in part says so in its name, as a saved one does.
            const CreatedFile file = FNames.Create(
                FPath, BaseName{base, {}, info.Rescue.incomplete ? kIncompleteMark : ""}, ".eml", "");
            if (::rename(part.c_str(), file.path.c_str()) != 0) {
                const int error = errno;
                ::unlink(part.c_str());
                ::unlink(file.path.c_str());
                throw WriteErrorOf(file.path, error);
            }
        } catch (const FileNotCreated& e) {
            const int error = errno;
            ::unlink(part.c_str());
            throw OutputWriteError(e.what(), IsDiskFull(error));
        }
    }
    void Close() override {}
    void ReadBack(const Each& each, const std::function<void(const std::string&)>& odd) const override
    {
        ForEachFile(FPath, IsEmlName, each, odd);
    }
    std::vector<std::string> Repair(const std::set<std::string>& storeDigests) override
    {
        std::vector<std::string> said;
        RemoveLeftovers(FPath, IsEmlName, storeDigests, said);
        return said;
    }

private:
    std::string FPath;
    UniqueFileNamer& FNames;
    std::string FHost;
};

}  // namespace

OutputWriteError WriteErrorOf(const std::string& path, int error)
{
    if (IsDiskFull(error))
        return OutputWriteError("Auf dem Ziel ist kein Platz mehr frei: " + path +
                                    " konnte nicht geschrieben werden. Die Übernahme wurde angehalten; schaffen Sie "
                                    "Platz und setzen Sie den Lauf fort",
                                true);
    return OutputWriteError(FileCreateError(path).what(), false);
}

void RefuseLinksBelow(const std::string& outputFolder, const std::string& path)
{
    if (path.size() < outputFolder.size() || path.compare(0, outputFolder.size(), outputFolder) != 0)
        return;
    std::string at = outputFolder;
    std::size_t from = outputFolder.size();
    while (from < path.size()) {
        while (from < path.size() && path[from] == '/')
            ++from;
        const std::size_t end = std::min(path.find('/', from), path.size());
        if (end == from)
            break;
        at = JoinPath(at, path.substr(from, end - from));
        struct stat info {};
        if (::lstat(at.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            throw Error(at + " ist eine symbolische Verknüpfung; der Ordner wird nicht geschrieben");
        from = end;
    }
}

std::int64_t UnixTimeOf(std::uint64_t fileTime)
{
    return fileTime > kUnixEpochAsFileTime ? static_cast<std::int64_t>((fileTime - kUnixEpochAsFileTime) / 10'000'000)
                                           : 0;
}

std::string EmlDatePrefix(std::uint64_t fileTime)
{
    if (fileTime == 0)
        return {};
    const SystemTime t = DecodeDateTime(FileTimeToDateTime(fileTime));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute);
    return text;
}

void PrepareMigrationRoot(MigrationFormat format, const std::string& outputFolder)
{
    MakeFolder(outputFolder);
    if (format == MigrationFormat::Maildir)
        for (const char* sub : {"/cur", "/new", "/tmp"})
            MakeFolder(outputFolder + sub);
}

std::unique_ptr<FolderOutput> OpenFolderOutput(MigrationFormat format, const std::string& path,
                                               UniqueFileNamer& names, const std::string& hostName)
{
    switch (format) {
    case MigrationFormat::Mboxrd:
    case MigrationFormat::Thunderbird: {
        const auto slash = path.find_last_of('/');
        if (slash != std::string::npos)
            MakeFolder(path.substr(0, slash));
        return std::make_unique<MboxOutput>(path, format == MigrationFormat::Thunderbird);
    }
    case MigrationFormat::Maildir:
        return std::make_unique<MaildirOutput>(path, hostName);
    case MigrationFormat::EmlTree:
        return std::make_unique<EmlTreeOutput>(path, names, hostName);
    }
    return nullptr;
}

}  // namespace vellumine

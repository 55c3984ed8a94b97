#include "migrate/FolderOutput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "migrate/Mboxrd.h"
#include "mime/HeaderDecoding.h"
#include "output/OutputFileName.h"
#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/FileAccess.h"
#include "store/FileTime.h"

namespace vellumine {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr std::size_t kWriteBuffer = 1 << 20;

void MakeFolder(const std::string& path)
{
    if (!CreateFolders(path))
        throw FileCreateError(path);
}

void SetFileTime(const std::string& path, std::uint64_t fileTime)
{
    if (fileTime == 0)
        return;
    const struct timespec times[2] = {{UnixTimeOf(fileTime), 0}, {UnixTimeOf(fileTime), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Calls `each` with the contents of every regular file in `folder` whose
// name passes `wanted`, in name order.
void ForEachFile(const std::string& folder, const std::function<bool(const std::string&)>& wanted,
                 const std::function<void(std::string_view)>& each)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && wanted(name))
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (const auto bytes = ReadFileBytes(JoinPath(folder, name)))
            each(*bytes);
}

// mboxrd: one file, appended to; messages that already stand in it stay.
class MboxOutput : public FolderOutput {
public:
    explicit MboxOutput(std::string path) : FPath(std::move(path))
    {
        FDescriptor = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
        struct stat info {};
        if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (FDescriptor >= 0)
                ::close(FDescriptor);
            throw FileCreateError(FPath);
        }
    }
    ~MboxOutput() override
    {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
    }
    void Write(const std::string& source, const Toe5_MessageInfo& info) override
    {
        FBuffer += MboxrdEntry(source, info.MessageDate);
        if (FBuffer.size() >= kWriteBuffer)
            Flush();
    }
    void Close() override
    {
        Flush();
        if (FDescriptor >= 0 && ::close(FDescriptor) != 0) {
            FDescriptor = -1;
            throw FileCreateError(FPath);
        }
        FDescriptor = -1;
    }
    void ReadBack(const std::function<void(std::string_view)>& each) const override
    {
        MboxrdReader reader(each);
        if (std::FILE* file = std::fopen(FPath.c_str(), "rb")) {
            std::vector<char> chunk(kWriteBuffer);
            std::size_t got;
            while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0)
                reader.Feed(std::string_view(chunk.data(), got));
            std::fclose(file);
        }
        reader.Finish();
    }

private:
    void Flush()
    {
        if (!WriteAll(FDescriptor, FBuffer))
            throw FileCreateError(FPath);
        FBuffer.clear();
    }

    std::string FPath;
    std::string FBuffer;
    int FDescriptor = -1;
};

// Maildir++: each message created exclusively in cur/ under a name no
// other file has, with its flags (S: read) and its date as file time. The
// usual detour through tmp/ guards deliveries into a folder a server reads
// meanwhile; a migration writes into a folder of its own, and a file cut
// short by a crash shows in the check of a resumed run.
class MaildirOutput : public FolderOutput {
public:
    MaildirOutput(std::string path, std::string hostName) : FPath(std::move(path)), FHost(std::move(hostName))
    {
        for (const char* sub : {"/cur", "/new", "/tmp"})
            MakeFolder(FPath + sub);
    }
    void Write(const std::string& source, const Toe5_MessageInfo& info) override
    {
        static std::atomic<unsigned long> counter{0};
        const std::int64_t time = UnixTimeOf(info.MessageDate);
        for (;;) {
            // The state the store records is not known: every message is read.
            const std::string name = FPath + "/cur/" + std::to_string(time) + ".M" + std::to_string(++counter) + "P" +
                                     std::to_string(::getpid()) + "." + FHost + ":2,S";
            if (!WriteNewFile(name, source))
                continue;
            SetFileTime(name, info.MessageDate);
            return;
        }
    }
    void Close() override {}
    void ReadBack(const std::function<void(std::string_view)>& each) const override
    {
        for (const char* sub : {"/cur", "/new"})
            ForEachFile(FPath + sub, [](const std::string& name) { return name[0] != '.'; }, each);
    }

private:
    std::string FPath;
    std::string FHost;
};

// One .eml file per message, named date first, byte for byte.
class EmlTreeOutput : public FolderOutput {
public:
    EmlTreeOutput(std::string path, UniqueFileNamer& names) : FPath(std::move(path)), FNames(names)
    {
        MakeFolder(FPath);
    }
    void Write(const std::string& source, const Toe5_MessageInfo& info) override
    {
        const std::string date = EmlDatePrefix(info.MessageDate);
        const std::string subject = MakeSafeFileName(Utf8ToWindows1252(DecodeHeaderText(info.Subject)));
        const std::string base = date.empty() ? subject : subject.empty() ? date : date + " " + subject;
        const CreatedFile file = FNames.Create(FPath, BaseName{base, {}}, ".eml", source);
        SetFileTime(file.path, info.MessageDate);
    }
    void Close() override {}
    void ReadBack(const std::function<void(std::string_view)>& each) const override
    {
        ForEachFile(FPath, [](const std::string& name) {
            return name.size() > 4 && name.compare(name.size() - 4, 4, ".eml") == 0;
        }, each);
    }

private:
    std::string FPath;
    UniqueFileNamer& FNames;
};

}  // namespace

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
    case MigrationFormat::Mboxrd: {
        const auto slash = path.find_last_of('/');
        if (slash != std::string::npos)
            MakeFolder(path.substr(0, slash));
        return std::make_unique<MboxOutput>(path);
    }
    case MigrationFormat::Maildir:
        return std::make_unique<MaildirOutput>(path, hostName);
    case MigrationFormat::EmlTree:
        return std::make_unique<EmlTreeOutput>(path, names);
    }
    return nullptr;
}

}  // namespace vellumine

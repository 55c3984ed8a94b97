#include "search/IndexFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/Error.h"

namespace vellumine {
namespace {

// How many files beside an unusable one are tried.
constexpr int kAlternatives = 9;

void MakePrivateFolders(const std::filesystem::path& folder)
{
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return;  // the open that follows says what is wrong
    }
}

// Missing or a regular file (not through a link): a place for the index.
bool Usable(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

std::string Alternative(const std::string& path, int number)
{
    const std::string suffix = ".sqlite";
    const bool sqlite = path.size() > suffix.size() && path.ends_with(suffix);
    const std::string stem = sqlite ? path.substr(0, path.size() - suffix.size()) : path;
    return stem + "-" + std::to_string(number) + (sqlite ? suffix : "");
}

}  // namespace

IndexFileChoice ChooseIndexFile(const std::string& path)
{
    MakePrivateFolders(std::filesystem::path(path).parent_path());
    if (Usable(path))
        return {path, {}};
    for (int number = 1; number <= kAlternatives; ++number) {
        const std::string alternative = Alternative(path, number);
        if (Usable(alternative))
            return {alternative, "Der Suchindex " + path + " ist keine gewöhnliche Datei; verwendet wird " +
                                     alternative + "."};
    }
    throw Error("Der Suchindex " + path + " ist keine gewöhnliche Datei, und daneben ist kein Platz für einen neuen.");
}

namespace {

void TakeAwayForeignAccess(const std::string& path, int extraFlags)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | extraFlags, 0600);
    if (descriptor < 0)
        return;  // SQLite's open says why
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & 077) != 0)
        ::fchmod(descriptor, status.st_mode & 0700);
    ::close(descriptor);
}

}  // namespace

void MakeIndexFilePrivate(const std::string& path)
{
    TakeAwayForeignAccess(path, O_CREAT);
    // The log SQLite keeps beside the file holds the latest mail, and stays
    // from one run to the next.
    for (const char* log : {"-wal", "-shm"})
        TakeAwayForeignAccess(path + log, 0);
}

IndexRebuildLock::IndexRebuildLock(const std::string& indexPath)
{
    FDescriptor = ::open((indexPath + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (FDescriptor < 0)
        return;
    struct stat status {};
    if (::fstat(FDescriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(FDescriptor);
        FDescriptor = -1;
        return;
    }
    while (::flock(FDescriptor, LOCK_EX) != 0 && errno == EINTR) {
    }
}

IndexRebuildLock::~IndexRebuildLock()
{
    if (FDescriptor >= 0)
        ::close(FDescriptor);  // lets the lock go
}

}  // namespace vellumine

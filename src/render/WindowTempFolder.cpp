#include "render/WindowTempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"

namespace vellumine {
namespace {

constexpr const char* kLockName = ".in-use";
constexpr const char* kFolderPrefix = "window-";

bool IsFolder(const char* path)
{
    struct stat info {};
    return path && *path && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// The root must be the user's own folder and no link: in a shared /tmp
// another user could otherwise have placed it to catch the pages.
void MakePrivateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error("Das Verzeichnis " + folder + " kann nicht erstellt werden");
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        throw Error("Das Verzeichnis " + folder + " gehört nicht diesem Benutzer");
    if ((info.st_mode & 0077) != 0)
        ::chmod(folder.c_str(), 0700);
}

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

}  // namespace

std::string TempFolderRoot()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); IsFolder(runtime))
        return WithSlash(runtime) + "vellumine/";
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = IsFolder(tmp) ? WithSlash(tmp) : std::string("/tmp/");
    return base + "vellumine-" + std::to_string(::geteuid()) + "/";
}

int RemoveLeftTempFolders(const std::string& root)
{
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0 || !entry.is_directory(error) || entry.is_symlink(error))
            continue;
        const std::string lockPath = entry.path().string() + "/" + kLockName;
        const int lock = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock);  // a running window holds it
            continue;
        }
        // Free lock, or none (a crash between creating the folder and its
        // lock): the folder's process is gone.
        std::filesystem::remove_all(entry.path(), error);
        if (lock >= 0)
            ::close(lock);
        removed += error ? 0 : 1;
    }
    return removed;
}

WindowTempFolder::WindowTempFolder(const std::string& root)
{
    const std::string base = WithSlash(root.empty() ? TempFolderRoot() : root);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(base).parent_path().parent_path(), ignored);
    MakePrivateFolder(base.substr(0, base.size() - 1));
    RemoveLeftTempFolders(base);
    std::string pattern = base + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw Error("Das Verzeichnis " + base + " kann nicht beschrieben werden");
    FPath = pattern + "/";
    const std::string lockPath = FPath + kLockName;
    FLock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (FLock < 0 || ::flock(FLock, LOCK_EX | LOCK_NB) != 0) {
        Remove();
        throw Error("Datei " + lockPath + " kann nicht erstellt werden");
    }
}

WindowTempFolder::~WindowTempFolder()
{
    Remove();
}

std::string WindowTempFolder::NewPrivateFolder(const std::string& prefix)
{
    if (FPath.empty())
        throw Error("Das temporäre Verzeichnis des Fensters fehlt");
    for (;;) {
        const std::string folder = FPath + prefix + std::to_string(++FFoldersMade);
        if (::mkdir(folder.c_str(), 0700) == 0)
            return folder + "/";
        if (errno != EEXIST)
            throw Error("Das Verzeichnis " + folder + " kann nicht erstellt werden");
    }
}

void WindowTempFolder::Remove()
{
    if (FPath.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
    if (FLock >= 0)
        ::close(FLock);
    FLock = -1;
    FPath.clear();
}

}  // namespace vellumine

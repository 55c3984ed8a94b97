#include "store/StoreFileName.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace vellumine {
namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

bool IsPlainStoreFileName(const std::string& fileName)
{
    return !fileName.empty() && fileName != "." && fileName != ".." &&
           fileName.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::string FindStoreFile(const std::string& path)
{
    if (Exists(path))
        return path;
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string prefix = slash == std::string::npos ? std::string() : folder;
    const std::string utf8Name = Windows1252ToUtf8(name);
    if (utf8Name != name && Exists(prefix + utf8Name))
        return prefix + utf8Name;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return path;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string candidate = entry->d_name;
        if (EqualIgnoringAsciiCase(candidate, name) || EqualIgnoringAsciiCase(candidate, utf8Name))
            return prefix + candidate;
    }
    return path;
}

}  // namespace vellumine

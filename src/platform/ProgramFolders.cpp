#include "platform/ProgramFolders.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vellumine {
namespace {

namespace fs = std::filesystem;

std::string WithTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsFolder(const std::string& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

std::string BesideTemplates(const std::string& programDir)
{
    return WithTrailingSlash(programDir) + "vorlagen/";
}

std::string InstalledTemplates(const std::string& programDir)
{
    // Lexically, so that a bin folder reached through a link still finds the
    // share folder of its own prefix.
    const fs::path bin = fs::path(WithTrailingSlash(programDir)).parent_path();
    return WithTrailingSlash((bin.parent_path() / "share" / "vellumine" / "vorlagen").lexically_normal().string());
}

// Each folder that is missing is made 0700, as the base directory rules
// ask; folders that are there keep their mode.
void MakePrivateFolders(const std::string& path)
{
    fs::path partial;
    for (const fs::path& part : fs::path(path)) {
        partial /= part;
        if (!part.empty())
            ::mkdir(partial.c_str(), 0700);
    }
}

}  // namespace

std::string ProgramDirectory()
{
    std::error_code error;
    auto exe = fs::read_symlink("/proc/self/exe", error);
    return WithTrailingSlash(error ? fs::current_path().string() : exe.parent_path().string());
}

std::string TemplateFolderFor(const std::string& programDir)
{
    const std::string beside = BesideTemplates(programDir);
    if (IsFolder(beside))
        return beside;
    const std::string installed = InstalledTemplates(programDir);
    return IsFolder(installed) ? installed : beside;
}

std::string TemplateFolder()
{
    return TemplateFolderFor(ProgramDirectory());
}

std::string UserConfigFolder()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return WithTrailingSlash(config) + "vellumine/";
    const char* home = std::getenv("HOME");
    return WithTrailingSlash(home && *home ? home : fs::temp_directory_path().string()) + ".config/vellumine/";
}

std::string SettingsFolderFor(const std::string& programDir)
{
    const std::string beside = WithTrailingSlash(programDir);
    const bool portable = IsFolder(BesideTemplates(programDir)) || !IsFolder(InstalledTemplates(programDir));
    if (portable && IsFolder(beside) && ::access(beside.c_str(), W_OK) == 0)
        return beside;
    const std::string own = UserConfigFolder();
    MakePrivateFolders(own);
    return own;
}

std::string SettingsFolder()
{
    return SettingsFolderFor(ProgramDirectory());
}

}  // namespace vellumine

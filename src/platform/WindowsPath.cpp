#include "platform/WindowsPath.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace vellumine {
namespace {

std::string WineDosDevices()
{
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix)
        return std::string(prefix) + "/dosdevices";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.wine/dosdevices";
}

}  // namespace

std::string MapWindowsPath(const std::string& path)
{
    std::string local = path;
    for (char& c : local)
        if (c == '\\')
            c = '/';
    const bool hasDrive = local.size() >= 2 && local[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(local[0]));
    if (!hasDrive)
        return local;
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(local[0])));
    const std::string device = WineDosDevices() + "/" + drive + ":";
    std::error_code ignored;
    if (!std::filesystem::exists(device, ignored))
        return local;
    std::string rest = local.substr(2);
    if (!rest.empty() && rest.front() != '/')
        rest.insert(rest.begin(), '/');
    return device + rest;
}

}  // namespace vellumine

#include "TempFolder.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vellumine::testing {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumine-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const char* value) : FName(std::move(name))
{
    if (const char* old = std::getenv(FName.c_str())) {
        FHadValue = true;
        FOldValue = old;
    }
    if (value)
        ::setenv(FName.c_str(), value, 1);
    else
        ::unsetenv(FName.c_str());
    if (FName == "TZ")
        ::tzset();
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (FHadValue)
        ::setenv(FName.c_str(), FOldValue.c_str(), 1);
    else
        ::unsetenv(FName.c_str());
    if (FName == "TZ")
        ::tzset();
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace vellumine::testing


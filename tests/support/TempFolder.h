#pragma once
// A fresh folder under the system's temporary folder, removed with all it
// holds when the test ends.

#include <filesystem>
#include <string>

namespace vellumine::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string FName;
    bool FHadValue = false;
    std::string FOldValue;
};

std::string ReadWholeFile(const std::string& path);

}  // namespace vellumine::testing

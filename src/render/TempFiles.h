#pragma once
// The files the preview and printing leave in the temporary folder, to be
// deleted at the next rendering and when the program ends.

#include <string>
#include <vector>

namespace vellumine {

class TTempFileList {
public:
    void Add(const std::string& path) { FPaths.push_back(path); }
    const std::vector<std::string>& Paths() const { return FPaths; }

    // Deletes every recorded file that still exists (failures are passed
    // over) and empties the list.
    void DeleteTempFiles();

private:
    std::vector<std::string> FPaths;
};

}  // namespace vellumine

#pragma once
// The path of every folder in the store's folder tree, as the window shows
// it: the names from the top down, UTF-8, joined by "/".

#include <string>
#include <vector>

#include "store/FolderTree.h"

namespace vellumine {

struct FolderPath {
    std::size_t folderIndex = 0;  // index into the folder records
    std::string path;
};

// In display order; each path is made once, from its parent's.
std::vector<FolderPath> FolderPathsOf(const std::vector<Toe5_FolderInfo>& folders);

}  // namespace vellumine

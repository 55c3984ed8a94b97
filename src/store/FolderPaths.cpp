#include "store/FolderPaths.h"

#include "platform/Charset.h"

namespace vellumine {

std::vector<FolderPath> FolderPathsOf(const std::vector<Toe5_FolderInfo>& folders)
{
    const FolderTree tree = FolderTree::Build(folders);
    std::vector<FolderPath> paths;
    // A node with the index of its parent's entry in `paths`.
    std::vector<std::pair<const FolderNode*, std::size_t>> pending;
    constexpr std::size_t kNoParent = ~std::size_t{0};
    for (auto it = tree.TopLevel().rbegin(); it != tree.TopLevel().rend(); ++it)
        pending.push_back({it->get(), kNoParent});
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        const std::string name = Windows1252ToUtf8(folders[node->folderIndex].Name);
        paths.push_back({node->folderIndex, parent == kNoParent ? name : paths[parent].path + "/" + name});
        const std::size_t self = paths.size() - 1;
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.push_back({it->get(), self});
    }
    return paths;
}

}  // namespace vellumine

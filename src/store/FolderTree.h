#pragma once
// The folder tree built from the flat folder records: every folder goes
// under the first folder (in display order) whose id is its parent id,
// pass after pass until nothing moves; every level is kept sorted, special
// folders first by id, then the others by upper-cased name.

#include <memory>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

struct FolderNode {
    std::size_t folderIndex = 0;  // index into the folder records
    FolderNode* parent = nullptr;
    std::vector<std::unique_ptr<FolderNode>> children;
};

// Negative when folder a comes before folder b on one level.
int TreeView1Compare(const Toe5_FolderInfo& a, const Toe5_FolderInfo& b);

class FolderTree {
public:
    // Parent links that form a cycle cannot move a folder under its own
    // descendant; such moves are refused, and the passes end, so every
    // folder stays in the tree.
    static FolderTree Build(const std::vector<Toe5_FolderInfo>& folders);

    const std::vector<std::unique_ptr<FolderNode>>& TopLevel() const { return FTop; }

    // The nodes counted depth-first from the top: a node, its children, then
    // its next sibling.
    std::vector<const FolderNode*> DisplayOrder() const;

private:
    std::vector<std::unique_ptr<FolderNode>> FTop;
};

}  // namespace vellumine

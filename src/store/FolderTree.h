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
    bool placedAtDepthBound = false;  // lay deeper than kMaxFolderDepth levels
};

// The levels a tree shows at most. A folder list whose parent links go
// deeper (a damaged or hostile folders.dbx: 10,000 nested folders fit in
// half a megabyte) would make every path from the top as long as the chain;
// folders below this level are placed on it instead, beside their ancestor
// of that level.
inline constexpr std::size_t kMaxFolderDepth = 256;

// Negative when folder a comes before folder b on one level.
int TreeView1Compare(const Toe5_FolderInfo& a, const Toe5_FolderInfo& b);

class FolderTree {
public:
    // Parent links that form a cycle cannot move a folder under its own
    // descendant; such moves are refused, and the passes end, so every
    // folder stays in the tree.
    static FolderTree Build(const std::vector<Toe5_FolderInfo>& folders);

    const std::vector<std::unique_ptr<FolderNode>>& TopLevel() const { return FTop; }

    // The folders that lay deeper than kMaxFolderDepth levels and were
    // placed on the last one.
    std::size_t FoldersPlacedAtDepthBound() const { return FPlacedAtDepthBound; }

    // The nodes counted depth-first from the top: a node, its children, then
    // its next sibling.
    std::vector<const FolderNode*> DisplayOrder() const;

private:
    std::vector<std::unique_ptr<FolderNode>> FTop;
    std::size_t FPlacedAtDepthBound = 0;
};

}  // namespace vellumine

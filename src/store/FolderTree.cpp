#include "store/FolderTree.h"

#include <algorithm>

#include "store/TextOrder.h"

namespace vellumine {
namespace {

using NodeList = std::vector<std::unique_ptr<FolderNode>>;

// A node, its children, then its next sibling.
std::vector<FolderNode*> DepthFirst(const NodeList& top)
{
    std::vector<FolderNode*> order;
    std::vector<FolderNode*> pending;
    for (auto it = top.rbegin(); it != top.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        FolderNode* node = pending.back();
        pending.pop_back();
        order.push_back(node);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return order;
}

class TreeBuilder {
public:
    explicit TreeBuilder(const std::vector<Toe5_FolderInfo>& folders) : FFolders(folders) {}

    NodeList Build()
    {
        for (std::size_t i = 0; i < FFolders.size(); ++i) {
            auto node = std::make_unique<FolderNode>();
            node->folderIndex = i;
            FTop.push_back(std::move(node));
        }
        SortLevel(FTop);
        // A pass that moves nothing ends the building; the cap only guards
        // against shared ids making folders change places for ever.
        for (std::size_t pass = 0; pass <= FFolders.size() + 1 && RunPass(); ++pass) {
        }
        BoundDepth();
        return std::move(FTop);
    }

    std::size_t PlacedAtDepthBound() const { return FPlacedAtDepthBound; }

private:
    void SortLevel(NodeList& level)
    {
        std::stable_sort(level.begin(), level.end(), [&](const auto& a, const auto& b) {
            return TreeView1Compare(FFolders[a->folderIndex], FFolders[b->folderIndex]) < 0;
        });
    }

    std::vector<FolderNode*> Order() { return DepthFirst(FTop); }

    static bool IsWithin(const FolderNode* node, const FolderNode* ancestor)
    {
        for (; node; node = node->parent)
            if (node == ancestor)
                return true;
        return false;
    }

    NodeList& SiblingsOf(FolderNode* node) { return node->parent ? node->parent->children : FTop; }

    void MoveUnder(FolderNode* node, FolderNode* newParent)
    {
        NodeList& from = SiblingsOf(node);
        auto at = std::find_if(from.begin(), from.end(), [&](const auto& n) { return n.get() == node; });
        std::unique_ptr<FolderNode> owned = std::move(*at);
        from.erase(at);
        owned->parent = newParent;
        newParent->children.push_back(std::move(owned));
        SortLevel(newParent->children);
    }

    // Every folder below the last allowed level moves up onto it: the
    // descendants of a last-level folder become its siblings, without
    // children of their own, and that level is sorted once.
    void BoundDepth()
    {
        struct Pending {
            FolderNode* node;
            std::size_t depth;
        };
        std::vector<Pending> pending;
        for (const auto& node : FTop)
            pending.push_back({node.get(), 0});
        while (!pending.empty()) {
            const Pending at = pending.back();
            pending.pop_back();
            if (at.depth + 2 == kMaxFolderDepth) {
                GatherDeepFolders(at.node);
                continue;
            }
            for (const auto& child : at.node->children)
                pending.push_back({child.get(), at.depth + 1});
        }
    }

    // `parent` is on the level above the last: its grandchildren and all
    // below them become its children.
    void GatherDeepFolders(FolderNode* parent)
    {
        NodeList deep;
        for (const auto& child : parent->children)
            for (auto& grandchild : child->children)
                deep.push_back(std::move(grandchild));
        if (deep.empty())
            return;
        for (const auto& child : parent->children)
            child->children.clear();
        for (std::size_t i = 0; i < deep.size(); ++i) {  // grows while it is walked
            for (auto& below : deep[i]->children)
                deep.push_back(std::move(below));
            deep[i]->children.clear();
        }
        FPlacedAtDepthBound += deep.size();
        for (auto& node : deep) {
            node->parent = parent;
            node->placedAtDepthBound = true;
            parent->children.push_back(std::move(node));
        }
        SortLevel(parent->children);
    }

    bool RunPass()
    {
        bool moved = false;
        std::vector<FolderNode*> order = Order();
        const std::size_t count = order.size();
        for (std::size_t i = 0; i < count; ++i) {
            FolderNode* node = order[i];
            const std::int32_t parentId = FFolders[node->folderIndex].ParentId;
            const auto found = std::find_if(order.begin(), order.end(), [&](const FolderNode* candidate) {
                return FFolders[candidate->folderIndex].Id == parentId;
            });
            if (found == order.end() || *found == node || node->parent == *found)
                continue;
            if (IsWithin(*found, node))
                continue;  // under its own descendant: refused, not a move
            MoveUnder(node, *found);
            moved = true;
            order = Order();  // positions are counted anew after a move
        }
        return moved;
    }

    const std::vector<Toe5_FolderInfo>& FFolders;
    NodeList FTop;
    std::size_t FPlacedAtDepthBound = 0;
};

}  // namespace

int TreeView1Compare(const Toe5_FolderInfo& a, const Toe5_FolderInfo& b)
{
    if (a.Special && b.Special)
        return a.Id < b.Id ? -1 : (a.Id > b.Id ? 1 : 0);
    if (a.Special != b.Special)
        return a.Special ? -1 : 1;
    return CompareUpperAscii(a.Name, b.Name);
}

FolderTree FolderTree::Build(const std::vector<Toe5_FolderInfo>& folders)
{
    FolderTree tree;
    TreeBuilder builder(folders);
    tree.FTop = builder.Build();
    tree.FPlacedAtDepthBound = builder.PlacedAtDepthBound();
    return tree;
}

std::vector<const FolderNode*> FolderTree::DisplayOrder() const
{
    const std::vector<FolderNode*> order = DepthFirst(FTop);
    return {order.begin(), order.end()};
}

}  // namespace vellumine

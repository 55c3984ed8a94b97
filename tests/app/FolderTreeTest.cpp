#include <gtest/gtest.h>

#include <algorithm>

#include "store/FolderTree.h"

namespace vellumine {
namespace {

Toe5_FolderInfo Folder(std::int32_t id, std::int32_t parent, const std::string& name, bool special = false)
{
    return Toe5_FolderInfo{id, parent, name, name + ".dbx", special};
}

// The tree as text: names in display order, indented two blanks a level.
std::string Shape(const std::vector<Toe5_FolderInfo>& folders)
{
    const FolderTree tree = FolderTree::Build(folders);
    std::string shape;
    for (const FolderNode* node : tree.DisplayOrder()) {
        int depth = 0;
        for (const FolderNode* up = node->parent; up; up = up->parent)
            ++depth;
        shape += std::string(2 * static_cast<std::size_t>(depth), ' ') + folders[node->folderIndex].Name + "\n";
    }
    return shape;
}

TEST(FolderTree, ChildrenBeforeTheirParentsStillEndUpBelowThem)
{
    EXPECT_EQ(Shape({Folder(3, 2, "Enkel"), Folder(2, 1, "Kind"), Folder(1, -1, "Wurzel")}),
              "Wurzel\n  Kind\n    Enkel\n");
    EXPECT_EQ(Shape({Folder(0, -1, "Lokale Ordner"), Folder(5, 0, "Archiv"), Folder(6, 5, "Urlaub")}),
              "Lokale Ordner\n  Archiv\n    Urlaub\n");
}

TEST(FolderTree, SpecialFoldersComeFirstByIdThenNamesInUpperCaseByteOrder)
{
    EXPECT_EQ(Shape({Folder(1, 0, "Zeitung"), Folder(4, 0, "A-Spezial", true), Folder(2, 0, "Z-Spezial", true),
                     Folder(0, -1, "Wurzel")}),
              "Wurzel\n  Z-Spezial\n  A-Spezial\n  Zeitung\n");
    EXPECT_EQ(Shape({Folder(1, -1, "beta"), Folder(2, -1, "Alpha"), Folder(3, -1, "\xDC" "bersicht"),
                     Folder(4, -1, "Zeitung")}),
              "Alpha\nbeta\nZeitung\n\xDC" "bersicht\n");
}

TEST(FolderTree, SharedIdsSelfParentsAndUnknownParents)
{
    // A child goes under the first folder of its parent id in display order.
    EXPECT_EQ(Shape({Folder(7, -1, "B"), Folder(7, -1, "A"), Folder(8, 7, "Kind")}), "A\n  Kind\nB\n");
    EXPECT_EQ(Shape({Folder(1, 1, "Selbst"), Folder(2, 99, "Waise")}), "Selbst\nWaise\n");
}

TEST(FolderTree, CyclesEndThePassesWithEveryFolderShown)
{
    const std::string twoCycle = Shape({Folder(1, 2, "A"), Folder(2, 1, "B")});
    EXPECT_EQ(twoCycle, "B\n  A\n");
    const std::string threeCycle = Shape({Folder(1, 3, "A"), Folder(2, 1, "B"), Folder(3, 2, "C"), Folder(4, -1, "D")});
    EXPECT_EQ(std::count(threeCycle.begin(), threeCycle.end(), '\n'), 4);
    for (const char* name : {"A", "B", "C", "D"})
        EXPECT_NE(threeCycle.find(name), std::string::npos);
}

// Folders 1 to `length`, each the child of the one before ("F1" at the top).
std::vector<Toe5_FolderInfo> Chain(int length, bool childrenFirst)
{
    std::vector<Toe5_FolderInfo> folders;
    for (int id = 1; id <= length; ++id)
        folders.push_back(Folder(id, id - 1, "F" + std::to_string(id)));
    if (childrenFirst)
        std::reverse(folders.begin(), folders.end());
    return folders;
}

std::size_t Level(const FolderNode* node)
{
    std::size_t level = 1;
    for (const FolderNode* up = node->parent; up; up = up->parent)
        ++level;
    return level;
}

TEST(FolderTree, ChainsDeeperThanTheBoundEndOnTheLastLevel)
{
    const struct {
        int length;
        bool childrenFirst;
        std::size_t deepest;
        std::size_t placed;
    } cases[] = {
        {255, false, 255, 0},
        {256, false, 256, 0},
        {257, false, 256, 1},
        {300, false, 256, 44},
        {300, true, 256, 44},
        {5000, false, 256, 4744},
    };
    for (const auto& c : cases) {
        const auto folders = Chain(c.length, c.childrenFirst);
        const FolderTree tree = FolderTree::Build(folders);
        const auto order = tree.DisplayOrder();
        std::size_t deepest = 0;
        std::size_t marked = 0;
        for (const FolderNode* node : order) {
            deepest = std::max(deepest, Level(node));
            marked += node->placedAtDepthBound ? 1 : 0;
            if (node->placedAtDepthBound) {
                EXPECT_EQ(Level(node), kMaxFolderDepth);
                EXPECT_TRUE(node->children.empty());
            }
        }
        const std::string label = std::to_string(c.length) + (c.childrenFirst ? " children first" : "");
        EXPECT_EQ(order.size(), folders.size()) << label << ": every folder stays in the tree";
        EXPECT_EQ(deepest, c.deepest) << label;
        EXPECT_EQ(tree.FoldersPlacedAtDepthBound(), c.placed) << label;
        EXPECT_EQ(marked, c.placed) << label;
    }
}

TEST(FolderTree, DeepFoldersJoinTheLastLevelInItsOrder)
{
    // F256 is on the last level; its child "Zeta" with a child of its own and
    // a second child "Alpha" move up beside it, sorted with it.
    auto folders = Chain(256, false);
    folders.push_back(Folder(1000, 256, "Zeta"));
    folders.push_back(Folder(1001, 1000, "Mitte"));
    folders.push_back(Folder(1002, 256, "Alpha"));
    const FolderTree tree = FolderTree::Build(folders);
    const FolderNode* node = tree.TopLevel().front().get();
    while (folders[node->folderIndex].Id != 255)
        node = node->children.front().get();
    std::string level;
    for (const auto& child : node->children)
        level += folders[child->folderIndex].Name + (child->placedAtDepthBound ? "*" : "") + " ";
    EXPECT_EQ(level, "Alpha* F256 Mitte* Zeta* ");
    EXPECT_EQ(tree.FoldersPlacedAtDepthBound(), 3u);
}

TEST(FolderTree, ManyFoldersBuildQuickly)
{
    std::vector<Toe5_FolderInfo> folders;
    for (int i = 0; i < 2000; ++i)
        folders.push_back(Folder(i, i == 0 ? -1 : (i - 1) / 3, "Ordner " + std::to_string(i)));
    EXPECT_EQ(FolderTree::Build(folders).DisplayOrder().size(), 2000u);
}

}  // namespace
}  // namespace vellumine

#include <gtest/gtest.h>

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

TEST(FolderTree, ManyFoldersBuildQuickly)
{
    std::vector<Toe5_FolderInfo> folders;
    for (int i = 0; i < 2000; ++i)
        folders.push_back(Folder(i, i == 0 ? -1 : (i - 1) / 3, "Ordner " + std::to_string(i)));
    EXPECT_EQ(FolderTree::Build(folders).DisplayOrder().size(), 2000u);
}

}  // namespace
}  // namespace vellumine

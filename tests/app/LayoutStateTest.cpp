// The window's layout file: what is written reads back, and a damaged or
// foreign line leaves the default standing instead of a wrong value.

#include <gtest/gtest.h>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "app/LayoutState.h"

namespace vellumine {
namespace {

using testing::TempFolder;

TEST(LayoutStateTest, WhatIsWrittenReadsBack)
{
    TempFolder folder;
    LayoutState state;
    state.windowGeometry = "AdnQywADAAA=";
    state.treeSplitter = "AAAA/wAAAAE=";
    state.listPercent = 35;
    state.columnWidths = {120, 0, 300, 140};
    state.sortColumn = 2;
    state.sortDescending = false;
    state.storeFolder = "/home/anna/Post mit Ümlaut";
    state.folderId = 4711;
    ASSERT_TRUE(WriteLayoutState(folder.File("layout.txt"), state));
    const LayoutState back = ReadLayoutState(folder.File("layout.txt"));
    EXPECT_EQ(back.windowGeometry, state.windowGeometry);
    EXPECT_EQ(back.treeSplitter, state.treeSplitter);
    EXPECT_EQ(back.listPercent, 35);
    EXPECT_EQ(back.columnWidths, state.columnWidths);
    EXPECT_EQ(back.sortColumn, 2);
    EXPECT_EQ(back.sortDescending, false);
    EXPECT_EQ(back.storeFolder, state.storeFolder);
    EXPECT_EQ(back.folderId, 4711);
}

TEST(LayoutStateTest, BadValuesLeaveTheDefaults)
{
    const struct {
        const char* text;
        bool anySet;
    } cases[] = {
        {"", false},
        {"list-percent=95\nsort-column=4\nsort-descending=ja\nfolder=x12\n", false},  // out of range, not numbers
        {"list-percent=\nsort-column=-1\ncolumns=\n", false},
        {"unbekannt=1\nlist-percent 40\n", false},  // foreign names and lines without "="
        {"\r\nsort-column=1\r\n", true},            // CR LF lines read as well
    };
    for (const auto& c : cases) {
        TempFolder folder;
        storewriter::WriteFileBytes(folder.File("layout.txt"), c.text);
        const LayoutState state = ReadLayoutState(folder.File("layout.txt"));
        const bool anySet = state.listPercent || state.sortColumn || state.sortDescending || state.folderId ||
                            !state.columnWidths.empty();
        EXPECT_EQ(anySet, c.anySet) << c.text;
    }
    TempFolder none;
    EXPECT_FALSE(ReadLayoutState(none.File("fehlt.txt")).sortColumn);
}

TEST(LayoutStateTest, ColumnWidthsOutsideReasonKeepNoWidth)
{
    TempFolder folder;
    storewriter::WriteFileBytes(folder.File("layout.txt"), "columns=150,-3,99999,x,200\n");
    EXPECT_EQ(ReadLayoutState(folder.File("layout.txt")).columnWidths, (std::vector<int>{150, 0, 0, 0, 200}));
}

TEST(LayoutStateTest, AStoreNameWithALineBreakIsNotWrittenIntoTheFile)
{
    TempFolder folder;
    LayoutState state;
    state.storeFolder = "/post\nsort-column=1";
    state.sortColumn = 3;
    ASSERT_TRUE(WriteLayoutState(folder.File("layout.txt"), state));
    const LayoutState back = ReadLayoutState(folder.File("layout.txt"));
    EXPECT_EQ(back.storeFolder, "");
    EXPECT_EQ(back.sortColumn, 3);
}

}  // namespace
}  // namespace vellumine

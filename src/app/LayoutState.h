#pragma once
// What the window looked like when it was closed: size and place, the two
// splitters, the column widths, the sort order, the store and the folder
// shown. Kept in a file of its own beside options.dat ("layout.txt", one
// "name=value" per line, UTF-8), so that options.dat keeps its 24 bytes.
// A missing file, an unknown line or a value that does not read leaves the
// window's defaults standing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellumine {

struct LayoutState {
    std::string windowGeometry;   // the window system's own form, Base64 (size, place, maximised)
    std::string treeSplitter;     // the tree splitter's state, Base64
    std::optional<int> listPercent;   // the list's share of the right side, 10 to 90
    std::vector<int> columnWidths;    // per column; 0 where none is kept
    std::optional<int> sortColumn;    // 0 to 3
    std::optional<bool> sortDescending;
    std::string storeFolder;          // the store shown last
    std::optional<std::int64_t> folderId;  // the folder shown last (its record's Id)
};

LayoutState ReadLayoutState(const std::string& path);

// Writes under a temporary name and renames into place; false on failure.
bool WriteLayoutState(const std::string& path, const LayoutState& state);

}  // namespace vellumine

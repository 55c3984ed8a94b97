#pragma once
// Where each store folder lands in a migration: the folder tree walked from
// the top, each folder's name made safe for the file system (the rules of
// saved message names) and unique among its siblings, and the path that the
// output format gives it.

#include <string>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

enum class MigrationFormat {
    Mboxrd,   // one mbox file per folder, children in "Name.sbd/" (Thunderbird's local folders)
    Maildir,  // Maildir++: ".Folder.Sub/" with cur/ new/ tmp/ (Dovecot's default)
    EmlTree,  // one folder per store folder, one .eml file per message
};

struct MigrationFolder {
    std::size_t folderIndex = 0;     // into the store's folder records
    std::int32_t storeId = -1;       // the folder's id
    std::string storeFile;           // the folder file; empty for a folder without messages
    std::string safePath;            // the safe names from the top down to this folder, joined by "/"
    std::string shownPath;           // the store's names, UTF-8, joined by "/"
    bool hasChildren = false;
    bool placedAtDepthBound = false;  // lay deeper than the tree shows (kMaxFolderDepth)
};

// Every folder, parents before their children, in the tree's display order.
// Each path is its parent's with one name added, and the tree is at most
// kMaxFolderDepth levels deep, so the plan grows with the folder count, not
// with the square of a chain's length.
std::vector<MigrationFolder> PlanMigrationFolders(const std::vector<Toe5_FolderInfo>& folders);

// The folder's place under `outputFolder`: the mbox file, the Maildir++
// folder, or the folder of .eml files.
std::string MigrationPathOf(const MigrationFolder& folder, MigrationFormat format, const std::string& outputFolder);

// The same, relative to the output folder, for the report.
std::string RelativeMigrationPath(const MigrationFolder& folder, MigrationFormat format);

}  // namespace vellumine

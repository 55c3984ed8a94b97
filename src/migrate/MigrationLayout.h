#pragma once
// Where each store folder lands in a migration: the folder tree walked from
// the top, each folder's name on disk as the user named it (UTF-8 for
// Thunderbird and in the .eml tree, modified UTF-7 where Dovecot reads it:
// Maildir++ and the mboxrd tree), unique among its
// siblings and short enough for the file system, the store's inbox as the
// target's INBOX, and the path that the output format gives it.

#include <functional>
#include <string>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

enum class MigrationFormat {
    Mboxrd,       // one mbox file per folder, children in "Name.sbd/", byte for byte (mutt, Dovecot, archives)
    Thunderbird,  // the same tree for Thunderbird's Local Folders, each message with its status headers
    Maildir,      // Maildir++: ".Folder.Sub/" with cur/ new/ tmp/ (Dovecot's default)
    EmlTree,      // one folder per store folder, one .eml file per message
};

struct MigrationFolder {
    std::size_t folderIndex = 0;     // into the store's folder records
    std::int32_t storeId = -1;       // the folder's id
    std::string storeFile;           // the folder file; empty for a folder without messages
    std::vector<std::string> names;  // the names on disk from the top down to this folder
    std::string shownPath;           // the store's names, UTF-8, joined by "/"
    bool hasChildren = false;
    bool inbox = false;              // the store's inbox, the target's INBOX
    // False when the folder cannot have a name in the format (a Maildir++
    // chain of levels longer than a file name); it is reported, not written.
    bool placeable = true;
    bool placedAtDepthBound = false;  // lay deeper than the tree shows (kMaxFolderDepth)
    // The sub-folder kRescuedFolderName that holds what a scan of the
    // parent's folder file found beside its index (storeFile is the parent's).
    bool rescued = false;
};

inline constexpr const char* kRescuedFolderName = "Gerettete Nachrichten";

// Every folder, parents before their children, in the tree's display order,
// named for the format. Each path is its parent's with one name added, and
// the tree is at most kMaxFolderDepth levels deep, so the plan grows with the
// folder count, not with the square of a chain's length. Every folder whose
// file `hasRescued` gets the sub-folder for its rescued messages right after
// it, named like every other folder.
std::vector<MigrationFolder> PlanMigrationFolders(const std::vector<Toe5_FolderInfo>& folders,
                                                  MigrationFormat format = MigrationFormat::EmlTree,
                                                  const std::function<bool(const std::string& storeFile)>& hasRescued = {});

// The folder's place under `outputFolder`: the mbox file, the Maildir++
// folder, or the folder of .eml files.
std::string MigrationPathOf(const MigrationFolder& folder, MigrationFormat format, const std::string& outputFolder);

// The same, relative to the output folder, for the report ("." for the
// Maildir++ root).
std::string RelativeMigrationPath(const MigrationFolder& folder, MigrationFormat format);

// Whether the format writes an mbox tree.
inline bool IsMboxFormat(MigrationFormat format)
{
    return format == MigrationFormat::Mboxrd || format == MigrationFormat::Thunderbird;
}

}  // namespace vellumine

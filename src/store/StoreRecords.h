#pragma once
// The records the store reader produces: one per folder of folders.dbx and
// one per message of a folder file. Texts are the store's 8-bit bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace vellumine {

struct Toe5_FolderInfo {
    std::int32_t Id = -1;        // direct entry 0x80
    std::int32_t ParentId = -1;  // direct entry 0x81
    std::string Name;            // entry 0x02
    std::string FileName;        // entry 0x03, without a path
    bool Special = false;        // presence of direct entry 0x89
};

// What a rescue scan knows of a message the index does not name: how its
// chain is read. All zero for every message an index names.
struct SourceRescue {
    bool scanned = false;           // found by a scan, not named by the index
    std::int64_t displacement = 0;  // own-offset fields hold this beyond the blocks' positions
    std::uint32_t blockLimit = 0;   // the blocks that are the message's own (0: up to the chain's end)
    std::uint32_t headSkip = 0;     // overwritten bytes before the first header line
    bool incomplete = false;        // first bytes overwritten or the tail lost
};

struct Toe5_MessageInfo {
    std::uint32_t Value80 = 0;
    std::uint32_t Value81 = 0;
    std::string Text1B;
    std::string Text1A;
    std::string Text07;
    std::uint64_t Time02 = 0;
    std::uint64_t MessageDate = 0;  // FILETIME, entry 0x12
    std::string Subject;            // entry 0x08
    std::string SenderName;         // entry 0x0D
    std::string Text09;
    std::string RecipientName;  // entry 0x13
    std::string Text0E;
    std::string Text0A;
    std::string Text0B;
    std::uint32_t Value91 = 0;
    std::uint32_t SourceOffset = 0;  // entry 0x04 or direct 0x84, whichever comes later; 0: none
    std::uint32_t RecordOffset = 0;
    SourceRescue Rescue;
};

// Where a message record lies, where its source begins and its date:
// what tells whether a folder file still holds the messages it held.
struct MessagePlace {
    std::uint32_t RecordOffset = 0;
    std::uint32_t SourceOffset = 0;  // as in Toe5_MessageInfo
    std::uint64_t MessageDate = 0;
    bool operator==(const MessagePlace&) const = default;
};

struct Toe5_FileHeader {
    std::int32_t ItemCount = 0;
    std::string Text1;  // kept for the record layout; nothing fills them
    std::string Text2;
};

// The caller's record list: folder records go to Folders when the file is
// "folders.dbx", message records to Messages for any other file. A record's
// position in its vector is the data value of its tree node or list item.
struct StoreRecords {
    std::vector<Toe5_FolderInfo> Folders;
    std::vector<Toe5_MessageInfo> Messages;
};

// The one file name that holds folder records, compared case-sensitively.
inline constexpr const char* kFolderListFileName = "folders.dbx";

}  // namespace vellumine

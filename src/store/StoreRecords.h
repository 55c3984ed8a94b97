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

#pragma once
// The layout of a store file in one place. Each piece is a small value type
// with its encoded length and a checked decode that gives nothing when the
// bytes that arrived are too few or the piece's own offset does not match
// where it was read: the callers never decode a field inline.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "store/ByteOrder.h"

namespace vellumine {

// The file header: its signature, the item count and the root of the index
// tree. The mail client writes the root offset twice; the second copy is
// what is left when the first is damaged. Every offset of a store file is
// unsigned 32-bit: a folder file may grow to 4 GB.
struct FileHeaderFields {
    static constexpr std::uint64_t kSignatureOffset = 0x00;     // 32-bit signature of a store file
    static constexpr std::uint32_t kSignature = 0xFE12ADCF;
    static constexpr std::uint64_t kRootNodeOffset = 0x30;      // 32-bit offset of the root node
    static constexpr std::uint64_t kItemCountOffset = 0xC4;     // 32-bit signed count of records
    static constexpr std::uint64_t kRootNodeCopyOffset = 0xE4;  // the copy of the root offset
};

// An index node: its own offset, the links to the subtree before its first
// entry and to its parent, and its entry count (in the top 24 bits).
struct NodeHeader {
    static constexpr std::size_t kEncodedLength = 24;
    std::uint32_t beforeLink = 0;  // 0: none
    std::uint32_t parentLink = 0;  // 0: none
    std::uint32_t entryCount = 0;

    static std::optional<NodeHeader> Decode(const unsigned char* bytes, std::size_t arrived, std::uint32_t at)
    {
        if (arrived < kEncodedLength || DecodeFixed32(bytes) != at)
            return std::nullopt;
        return NodeHeader{DecodeFixed32(bytes + 0x08), DecodeFixed32(bytes + 0x0C), DecodeFixed32(bytes + 0x10) >> 8};
    }
};

// One entry of a node: the record it names and the subtree after it.
struct NodeEntry {
    static constexpr std::size_t kEncodedLength = 12;
    std::uint32_t record = 0;  // 0: the entry names no record
    std::uint32_t child = 0;   // 0: no subtree after the entry

    static std::optional<NodeEntry> Decode(const unsigned char* bytes, std::size_t arrived)
    {
        if (arrived < kEncodedLength)
            return std::nullopt;
        return NodeEntry{DecodeFixed32(bytes), DecodeFixed32(bytes + 4)};
    }
};

// A record: its own offset, the length of its body (entry table and data
// area), and the number of table entries.
struct RecordHeader {
    static constexpr std::size_t kEncodedLength = 12;
    std::uint32_t bodyLength = 0;
    std::uint32_t entryCount = 0;

    static std::optional<RecordHeader> Decode(const unsigned char* bytes, std::size_t arrived, std::uint32_t at)
    {
        if (arrived < kEncodedLength || DecodeFixed32(bytes) != at)
            return std::nullopt;
        return RecordHeader{DecodeFixed32(bytes + 4), bytes[0x0A]};
    }
};

// A block of a message source: its own offset, the size of its data area
// (512), the length of its data, the next block (0: the last), then 512
// bytes of data.
struct BlockHeader {
    static constexpr std::size_t kEncodedLength = 16;
    static constexpr std::size_t kDataLength = 512;
    static constexpr std::size_t kBlockLength = kEncodedLength + kDataLength;
    std::uint32_t ownOffset = 0;
    std::uint32_t areaSize = 0;
    std::int32_t dataLength = 0;
    std::uint32_t next = 0;

    // `own`: the value the own-offset field must hold (the block's position
    // in the file for every block the index names).
    static std::optional<BlockHeader> Decode(const unsigned char* bytes, std::size_t arrived, std::uint32_t own)
    {
        if (arrived < kEncodedLength || DecodeFixed32(bytes) != own)
            return std::nullopt;
        return DecodeUnchecked(bytes);
    }

    static BlockHeader DecodeUnchecked(const unsigned char* bytes)
    {
        return BlockHeader{DecodeFixed32(bytes), DecodeFixed32(bytes + 0x04), DecodeSigned32(bytes + 0x08),
                           DecodeFixed32(bytes + 0x0C)};
    }
};

// What one read of a store file passed over, and why: damage that would
// otherwise stay invisible.
struct StoreReadReport {
    bool headerForeign = false;          // no store-file signature: zeroed or overwritten
    bool rootFromCopy = false;           // the root offset at 0x30 was unusable, its copy served
    bool rootUnusable = false;           // neither root offset leads to an index node
    std::size_t nodesUnreadable = 0;     // cut off by the file's end or own offset wrong
    std::size_t linksPastEnd = 0;        // node links that point beyond the end of the file
    std::size_t nodesRevisited = 0;      // reached again (a cycle or a shared link)
    std::size_t entriesBeyondFile = 0;   // entry counts larger than the node holds
    std::size_t recordsUnreadable = 0;   // cut off, own offset wrong, or body too short for its table
    std::size_t recordsRepeated = 0;     // named again by another entry
    std::size_t recordsOverBudget = 0;   // more record bytes than the file holds
    std::size_t sourcesUnreadable = 0;   // no source, or its chain cut short or broken
    std::size_t sourcesShared = 0;       // a source named again, or a chain running into one read before
    std::size_t messagesRead = 0;        // message records handed out
    std::size_t messagesWhole = 0;       // of these, those whose source reads whole
    bool workBudgetSpent = false;        // the walk stopped at its work bound
    std::int64_t itemCount = 0;          // the count the header gives

    // How many messages the file should hold: the header's count, or what
    // the walk found when that is more.
    std::size_t MessagesExpected() const
    {
        const std::size_t found = messagesRead + recordsUnreadable + sourcesShared;
        return itemCount > 0 && static_cast<std::uint64_t>(itemCount) > found ? static_cast<std::size_t>(itemCount)
                                                                              : found;
    }

    bool Clean() const
    {
        return nodesUnreadable + linksPastEnd + nodesRevisited + entriesBeyondFile + recordsUnreadable +
                       recordsRepeated + recordsOverBudget + sourcesUnreadable + sourcesShared ==
                   0 &&
               !workBudgetSpent && !headerForeign && !rootFromCopy && !rootUnusable;
    }
};

}  // namespace vellumine

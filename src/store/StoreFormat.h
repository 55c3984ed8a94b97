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

// The file header: the item count and the root of the index tree.
struct FileHeaderFields {
    static constexpr std::uint64_t kRootNodeOffset = 0x30;  // 32-bit offset of the root node
    static constexpr std::uint64_t kItemCountOffset = 0xC4;  // 32-bit signed count of records
};

// An index node: its own offset, the links to the subtree before its first
// entry and to its parent, and its entry count (in the top 24 bits).
struct NodeHeader {
    static constexpr std::size_t kEncodedLength = 24;
    std::int32_t beforeLink = 0;
    std::int32_t parentLink = 0;
    std::uint32_t entryCount = 0;

    static std::optional<NodeHeader> Decode(const unsigned char* bytes, std::size_t arrived, std::uint32_t at)
    {
        if (arrived < kEncodedLength || DecodeFixed32(bytes) != at)
            return std::nullopt;
        return NodeHeader{DecodeSigned32(bytes + 0x08), DecodeSigned32(bytes + 0x0C), DecodeFixed32(bytes + 0x10) >> 8};
    }
};

// One entry of a node: the record it names and the subtree after it.
struct NodeEntry {
    static constexpr std::size_t kEncodedLength = 12;
    std::int32_t record = 0;
    std::int32_t child = 0;

    static std::optional<NodeEntry> Decode(const unsigned char* bytes, std::size_t arrived)
    {
        if (arrived < kEncodedLength)
            return std::nullopt;
        return NodeEntry{DecodeSigned32(bytes), DecodeSigned32(bytes + 4)};
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

// A block of a message source: its own offset, the length of its data, the
// next block (0: the last), then 512 bytes of data.
struct BlockHeader {
    static constexpr std::size_t kEncodedLength = 16;
    static constexpr std::size_t kDataLength = 512;
    static constexpr std::size_t kBlockLength = kEncodedLength + kDataLength;
    std::int32_t dataLength = 0;
    std::uint32_t next = 0;

    static std::optional<BlockHeader> Decode(const unsigned char* bytes, std::size_t arrived, std::uint32_t at)
    {
        if (arrived < kBlockLength || DecodeFixed32(bytes) != at)
            return std::nullopt;
        return BlockHeader{DecodeSigned32(bytes + 0x08), DecodeFixed32(bytes + 0x0C)};
    }
};

// What one read of a store file passed over, and why: damage that would
// otherwise stay invisible.
struct StoreReadReport {
    std::size_t nodesUnreadable = 0;     // cut off by the file's end or own offset wrong
    std::size_t nodesRevisited = 0;      // reached again (a cycle or a shared link)
    std::size_t entriesBeyondFile = 0;   // entry counts larger than the node holds
    std::size_t recordsUnreadable = 0;   // cut off, own offset wrong, or body too short for its table
    std::size_t recordsRepeated = 0;     // named again by another entry
    std::size_t recordsOverBudget = 0;   // more record bytes than the file holds
    bool workBudgetSpent = false;        // the walk stopped at its work bound

    bool Clean() const
    {
        return nodesUnreadable + nodesRevisited + entriesBeyondFile + recordsUnreadable + recordsRepeated +
                       recordsOverBudget ==
                   0 &&
               !workBudgetSpent;
    }
};

}  // namespace vellumine

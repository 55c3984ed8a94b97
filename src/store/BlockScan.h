#pragma once
// The pass of a rescue over a whole folder file: every place that looks
// like the header of a source block (the index claimed or not) or like a
// message record, found in one read of the file from start to end. Blocks
// the index claimed are stepped over; what is left is what the index no
// longer names: deleted and orphaned messages, and copies of blocks moved
// as a whole, whose own-offset fields all hold the same displacement from
// where they lie.

#include <cstdint>
#include <vector>

namespace vellumine {

class BlockClaims;
class StoreFile;

struct ScannedBlock {
    std::uint32_t position = 0;  // where it lies in the file
    std::uint32_t own = 0;       // its own-offset field
    std::uint32_t next = 0;      // its next field, in the displaced offsets of its chain
    std::int64_t Displacement() const { return std::int64_t{own} - std::int64_t{position}; }
};

class BlockScan {
public:
    // `claimed`: the blocks the index read took; `indexedRecords`: the
    // record offsets it read (both are left out).
    BlockScan(StoreFile& file, const BlockClaims& claimed, std::vector<std::uint32_t> indexedRecords);

    // Scans the next stretch of the file; false once the whole file is.
    bool Step();
    std::uint64_t Scanned() const { return FAt; }

    // In file order.
    const std::vector<ScannedBlock>& Blocks() const { return FBlocks; }
    // Positions whose first word is their own offset and that are no block:
    // message records, or index nodes.
    const std::vector<std::uint32_t>& RecordCandidates() const { return FRecords; }

private:
    // Looks at `position`; returns how far to go on from there.
    std::size_t Look(const unsigned char* bytes, std::size_t available, std::uint64_t position);
    bool LooksLikeBlock(const unsigned char* bytes, std::uint64_t position) const;
    // `length`: the stretch to look at; `available`: the bytes read from there.
    void ScanUnaligned(const unsigned char* bytes, std::size_t length, std::size_t available, std::uint64_t start);

    StoreFile& FFile;
    const BlockClaims& FClaimed;
    std::vector<std::uint32_t> FIndexedRecords;  // sorted
    std::vector<ScannedBlock> FBlocks;
    std::vector<std::uint32_t> FRecords;
    std::vector<unsigned char> FChunk;
    std::uint64_t FAt = 0;
    std::uint64_t FSkipUntil = 0;  // the end of the last block found
    std::size_t FBlocksInChunk = 0;  // claimed or not
};

}  // namespace vellumine

#include "store/BlockScan.h"

#include <algorithm>

#include "store/BlockClaims.h"
#include "store/ByteOrder.h"
#include "store/StoreFile.h"
#include "store/StoreFormat.h"

namespace vellumine {
namespace {

constexpr std::size_t kChunk = 4u << 20;
constexpr std::size_t kBlock = BlockHeader::kBlockLength;
constexpr std::uint32_t kAreaSize = BlockHeader::kDataLength;

}  // namespace

BlockScan::BlockScan(StoreFile& file, const BlockClaims& claimed, std::vector<std::uint32_t> indexedRecords)
    : FFile(file), FClaimed(claimed), FIndexedRecords(std::move(indexedRecords))
{
    std::sort(FIndexedRecords.begin(), FIndexedRecords.end());
}

// A block's header: the size of its data area, a data length that fits it,
// and a next link that is 0 or, displaced as its own offset is, lies in the
// file (the block it names may be cut off by the file's end: that block is
// lost, this one is not). The own-offset field itself may hold anything: a block moved as a
// whole keeps the offsets of where it was.
bool BlockScan::LooksLikeBlock(const unsigned char* bytes, std::uint64_t position) const
{
    const BlockHeader header = BlockHeader::DecodeUnchecked(bytes);
    if (header.areaSize != kAreaSize || header.dataLength < 0 ||
        static_cast<std::uint32_t>(header.dataLength) > kAreaSize || header.ownOffset == 0)
        return false;
    if (header.next == 0)
        return true;
    const std::int64_t next = std::int64_t{header.next} - (std::int64_t{header.ownOffset} - std::int64_t(position));
    return next > 0 && static_cast<std::uint64_t>(next) < FFile.Size() &&
           static_cast<std::uint64_t>(next) != position;
}

std::size_t BlockScan::Look(const unsigned char* bytes, std::size_t available, std::uint64_t position)
{
    if (available < RecordHeader::kEncodedLength || position >= 0xFFFFFFFFu)
        return 4;
    const std::uint32_t at = static_cast<std::uint32_t>(position);
    if (available >= kBlock && LooksLikeBlock(bytes, position)) {
        // A block the index claimed, or one found now: its data is no
        // place to look for headers (it may hold a folder file itself).
        if (!FClaimed.Claimed(at))
            FBlocks.push_back({at, DecodeFixed32(bytes), DecodeFixed32(bytes + 0x0C)});
        ++FBlocksInChunk;
        return kBlock;
    }
    if (DecodeFixed32(bytes) == at && !std::binary_search(FIndexedRecords.begin(), FIndexedRecords.end(), at))
        FRecords.push_back(at);
    return 4;
}

void BlockScan::ScanUnaligned(const unsigned char* bytes, std::size_t length, std::size_t available,
                              std::uint64_t start)
{
    if (std::all_of(bytes, bytes + length, [](unsigned char byte) { return byte == 0; }))
        return;
    for (std::size_t offset = 0; offset < length && available - offset >= kBlock;) {
        const std::uint64_t position = start + offset;
        if (position % 4 == 0 || position < FSkipUntil || !LooksLikeBlock(bytes + offset, position)) {
            ++offset;
            continue;
        }
        const std::uint32_t at = static_cast<std::uint32_t>(position);
        if (!FClaimed.Claimed(at))
            FBlocks.push_back({at, DecodeFixed32(bytes + offset), DecodeFixed32(bytes + offset + 0x0C)});
        FSkipUntil = position + kBlock;
        offset += kBlock;
    }
}

bool BlockScan::Step()
{
    const std::uint64_t size = FFile.Size();
    if (FAt >= size)
        return false;
    // Each stretch is read with a block's length more, so that a block
    // across its end is seen whole; the next stretch starts where this one
    // ended.
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk + kBlock, size - FAt));
    FChunk.resize(wanted);
    const std::size_t arrived = FFile.ReadAt(FAt, wanted, FChunk.data());
    const std::size_t end = std::min(arrived, kChunk);
    FBlocksInChunk = 0;
    std::size_t offset = FAt % 4 == 0 ? 0 : 4 - static_cast<std::size_t>(FAt % 4);
    if (FSkipUntil > FAt)
        offset = std::max<std::size_t>(offset, static_cast<std::size_t>(FSkipUntil - FAt));
    // Most words are neither a block's area size (at +4) nor their own
    // offset: two loads tell, before anything is decoded. Whether any word
    // is not 0 is noted on the way: a stretch of zeros (a sparse file's
    // hole) needs no look for unaligned blocks.
    const unsigned char* bytes = FChunk.data();
    std::uint32_t anyBits = 0;
    while (offset < end) {
        const std::uint32_t word = offset + 8 <= arrived ? DecodeFixed32(bytes + offset) : 0;
        const std::uint32_t areaWord = offset + 8 <= arrived ? DecodeFixed32(bytes + offset + 4) : 0;
        anyBits |= word | areaWord;
        if (areaWord != kAreaSize && word != FAt + offset) {
            offset += 4;
            continue;
        }
        const std::size_t step = Look(bytes + offset, arrived - offset, FAt + offset);
        if (step == kBlock)
            FSkipUntil = FAt + offset + kBlock;
        offset += step;
    }
    // Blocks that are not 4-byte aligned: looked for byte by byte where the
    // aligned steps found none.
    if (FBlocksInChunk == 0 && end > 0 && anyBits != 0)
        ScanUnaligned(bytes, end, arrived, FAt);
    FFile.Release(FAt, arrived);
    FAt += std::max<std::size_t>(end, 1);
    if (arrived == 0)
        FAt = size;  // the file shrank under the scan
    return FAt < size;
}

}  // namespace vellumine

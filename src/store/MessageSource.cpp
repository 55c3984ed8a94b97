#include "store/MessageSource.h"

#include <cstring>
#include <unordered_set>
#include <vector>

#include "store/StoreFormat.h"
#include "store/StoreFile.h"

namespace vellumine {
namespace {

// Where a block's data lies and how much of it belongs to the text.
struct ChainPiece {
    std::uint64_t at = 0;
    std::uint32_t length = 0;
};

}  // namespace

std::string ReadBlockChain(StoreFile& file, std::uint32_t firstBlock)
{
    // First the chain is followed and its pieces noted, then the text is
    // put together at its final size, without growing by doubling.
    std::vector<ChainPiece> pieces;
    std::uint64_t total = 0;
    std::unordered_set<std::uint32_t> readBlocks;
    unsigned char block[BlockHeader::kBlockLength];
    std::uint32_t current = firstBlock;
    while (readBlocks.insert(current).second) {
        const auto header = BlockHeader::Decode(block, file.ReadAt(current, sizeof block, block), current);
        if (!header)
            break;
        const std::int32_t dataLength = header->dataLength;
        const unsigned char* data = block + BlockHeader::kEncodedLength;
        const auto* nul = static_cast<const unsigned char*>(std::memchr(data, 0, BlockHeader::kDataLength));
        std::size_t kept = nul ? static_cast<std::size_t>(nul - data) : BlockHeader::kDataLength;
        if (dataLength <= 0)
            kept = 0;
        else if (static_cast<std::size_t>(dataLength) < kept)
            kept = static_cast<std::size_t>(dataLength);
        if (total + kept > file.Size())
            break;
        pieces.push_back({std::uint64_t{current} + BlockHeader::kEncodedLength, static_cast<std::uint32_t>(kept)});
        total += kept;
        current = header->next;
        if (current == 0)
            break;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(total));
    for (const ChainPiece& piece : pieces) {
        const std::size_t arrived = file.ReadAt(piece.at, piece.length, block);
        text.append(reinterpret_cast<const char*>(block), arrived);
    }
    return text;
}

}  // namespace vellumine

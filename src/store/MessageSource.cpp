#include "store/MessageSource.h"

#include <cstring>
#include <unordered_set>

#include "store/StoreFormat.h"
#include "store/StoreFile.h"

namespace vellumine {
std::string ReadBlockChain(StoreFile& file, std::uint32_t firstBlock)
{
    std::string text;
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
        if (text.size() + kept > file.Size())
            break;
        text.append(reinterpret_cast<const char*>(data), kept);
        current = header->next;
        if (current == 0)
            break;
    }
    return text;
}

}  // namespace vellumine

#include "store/MessageSource.h"

#include <cstring>
#include <unordered_set>

#include "store/ByteOrder.h"
#include "store/StoreFile.h"

namespace vellumine {
namespace {
constexpr std::size_t kBlockSize = 528;
constexpr std::size_t kBlockHeaderSize = 16;
constexpr std::size_t kBlockDataSize = 512;
}  // namespace

std::string ReadBlockChain(StoreFile& file, std::uint32_t firstBlock)
{
    std::string text;
    std::unordered_set<std::uint32_t> readBlocks;
    unsigned char block[kBlockSize];
    std::uint32_t current = firstBlock;
    while (readBlocks.insert(current).second) {
        if (file.ReadAt(current, kBlockSize, block) != kBlockSize || DecodeFixed32(block) != current)
            break;
        const std::int32_t dataLength = DecodeSigned32(block + 0x08);
        const unsigned char* data = block + kBlockHeaderSize;
        const auto* nul = static_cast<const unsigned char*>(std::memchr(data, 0, kBlockDataSize));
        std::size_t kept = nul ? static_cast<std::size_t>(nul - data) : kBlockDataSize;
        if (dataLength <= 0)
            kept = 0;
        else if (static_cast<std::size_t>(dataLength) < kept)
            kept = static_cast<std::size_t>(dataLength);
        if (text.size() + kept > file.Size())
            break;
        text.append(reinterpret_cast<const char*>(data), kept);
        current = DecodeFixed32(block + 0x0C);
        if (current == 0)
            break;
    }
    return text;
}

}  // namespace vellumine

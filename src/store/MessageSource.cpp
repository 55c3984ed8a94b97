#include "store/MessageSource.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "store/BlockClaims.h"
#include "store/StoreFile.h"
#include "store/StoreFormat.h"

namespace vellumine {
namespace {

// The bytes of a block's data that belong to the text: up to the first NUL,
// and no more than its data length.
std::uint32_t KeptLength(const unsigned char* data, std::int32_t dataLength)
{
    if (dataLength <= 0)
        return 0;
    const auto* nul = static_cast<const unsigned char*>(std::memchr(data, 0, BlockHeader::kDataLength));
    const std::size_t upToNul = nul ? static_cast<std::size_t>(nul - data) : BlockHeader::kDataLength;
    return static_cast<std::uint32_t>(std::min<std::size_t>(upToNul, static_cast<std::size_t>(dataLength)));
}

// The position in the file of the block whose own-offset field holds `own`.
std::optional<std::uint64_t> PositionOf(std::uint32_t own, std::int64_t displacement, std::uint64_t fileSize)
{
    const std::int64_t position = std::int64_t{own} - displacement;
    if (position <= 0 || static_cast<std::uint64_t>(position) >= fileSize)
        return std::nullopt;
    return static_cast<std::uint64_t>(position);
}

}  // namespace

BlockChain FollowBlockChain(StoreFile& file, std::uint32_t firstBlock, std::int64_t displacement, BlockClaims* claims,
                            std::uint32_t blockLimit)
{
    BlockChain chain;
    std::unordered_set<std::uint64_t> ownBlocks;
    unsigned char block[BlockHeader::kBlockLength];
    std::optional<std::uint64_t> at;
    if (firstBlock != 0 && firstBlock < file.Size())
        at = firstBlock;
    while (at) {
        if (!ownBlocks.insert(*at).second)
            return chain;  // a cycle within the chain
        if (claims && !claims->Claim(static_cast<std::uint32_t>(*at))) {
            chain.end = ChainEnd::RunsIntoClaimed;
            return chain;
        }
        const auto own = static_cast<std::uint32_t>(static_cast<std::int64_t>(*at) + displacement);
        const std::size_t arrived = file.ReadAt(*at, sizeof block, block);
        const auto header = BlockHeader::Decode(block, arrived, own);
        if (!header || arrived < sizeof block)
            return chain;
        const std::uint32_t kept = KeptLength(block + BlockHeader::kEncodedLength, header->dataLength);
        if (chain.length + kept > file.Size())
            return chain;
        chain.pieces.push_back({*at + BlockHeader::kEncodedLength, kept});
        chain.length += kept;
        if (header->next == 0) {
            chain.end = ChainEnd::Whole;
            return chain;
        }
        if (blockLimit != 0 && chain.pieces.size() >= blockLimit)
            return chain;
        at = PositionOf(header->next, displacement, file.Size());
    }
    return chain;
}

std::string ReadChainText(StoreFile& file, const BlockChain& chain)
{
    // Put together at its final size, without growing by doubling.
    std::string text(static_cast<std::size_t>(chain.length), '\0');
    std::size_t filled = 0;
    for (const ChainPiece& piece : chain.pieces) {
        const std::size_t arrived =
            file.ReadAt(piece.at, piece.length, reinterpret_cast<unsigned char*>(text.data() + filled));
        filled += arrived;
        if (arrived < piece.length)
            break;  // the file shrank since the chain was followed
    }
    text.resize(filled);
    return text;
}

std::optional<std::string> ReadBlockChain(StoreFile& file, std::uint32_t firstBlock, std::int64_t displacement)
{
    const BlockChain chain = FollowBlockChain(file, firstBlock, displacement);
    if (chain.end != ChainEnd::Whole)
        return std::nullopt;
    std::string text = ReadChainText(file, chain);
    if (text.size() != chain.length)
        return std::nullopt;
    return text;
}

}  // namespace vellumine

namespace vellumine {

std::optional<std::string> ReadRescuedChain(StoreFile& file, std::uint32_t firstBlock, const SourceRescue& rescue)
{
    const BlockChain chain = FollowBlockChain(file, firstBlock, rescue.displacement, nullptr, rescue.blockLimit);
    const bool asFound = chain.end == ChainEnd::Whole || (rescue.incomplete && chain.pieces.size() == rescue.blockLimit);
    if (!asFound)
        return std::nullopt;
    std::string text = ReadChainText(file, chain);
    if (text.size() != chain.length || text.size() < rescue.headSkip)
        return std::nullopt;
    text.erase(0, rescue.headSkip);
    return text;
}

}  // namespace vellumine

#pragma once
// A message's source text, kept in a chain of 528-byte blocks: own offset,
// the size of the data area, the data length, the next block's offset, 512
// data bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

class StoreFile;
class BlockClaims;

// How a chain ended.
enum class ChainEnd {
    Whole,           // at a next offset of 0
    Broken,          // at a block the file cannot hold in full, whose own offset is wrong, or read before
    RunsIntoClaimed  // at a block another chain of the same read took before
};

// Where a block's data lies and how much of it belongs to the text.
struct ChainPiece {
    std::uint64_t at = 0;
    std::uint32_t length = 0;
};

// A chain followed from its first block. `displacement` is what a block's
// own-offset field holds beyond its position in the file: 0 for the blocks
// an index names, another value for a copy of blocks moved as a whole.
struct BlockChain {
    std::vector<ChainPiece> pieces;
    std::uint64_t length = 0;  // the text's bytes
    ChainEnd end = ChainEnd::Broken;
};

// Follows the chain at `firstBlock`. Every block is claimed in `claims`
// when given; a block claimed before ends the chain as RunsIntoClaimed.
// The text never grows beyond the size of the file (which blocks of an
// intact file never reach): the chain counts as broken then.
// `blockLimit`: the chain ends (as broken) after that many blocks; 0: none.
BlockChain FollowBlockChain(StoreFile& file, std::uint32_t firstBlock, std::int64_t displacement = 0,
                            BlockClaims* claims = nullptr, std::uint32_t blockLimit = 0);

// The bytes of the chain at `firstBlock`, exactly as stored, when it reads
// whole; none when it does not.
std::optional<std::string> ReadBlockChain(StoreFile& file, std::uint32_t firstBlock, std::int64_t displacement = 0);

// The source of a message a rescue scan found: its own blocks, without the
// overwritten bytes before its header lines. A chain whose tail is lost
// reads as far as it goes when the message is marked incomplete; none when
// a chain does not read as the scan found it.
std::optional<std::string> ReadRescuedChain(StoreFile& file, std::uint32_t firstBlock, const SourceRescue& rescue);

// The bytes of the pieces of a chain followed before.
std::string ReadChainText(StoreFile& file, const BlockChain& chain);

}  // namespace vellumine

#pragma once
// Chains made of scanned blocks: each block's next link leads to the block
// whose own-offset field holds it, among blocks of the same displacement,
// so that a moved copy forms chains of its own beside the original.

#include <cstdint>
#include <vector>

#include "store/BlockScan.h"

namespace vellumine {

enum class ScannedChainEnd {
    Whole,        // at a next link of 0
    TailMissing,  // at a next link to no block found
    RunsInto,     // into the blocks of a chain taken before
};

struct ScannedChain {
    std::uint32_t head = 0;  // position of the first block
    std::int64_t displacement = 0;
    std::uint32_t blocks = 0;
    ScannedChainEnd end = ScannedChainEnd::Whole;
};

// The chains of `blocks` (in file order), one per block no other block
// links to, in file order of their first blocks. Blocks that only form a
// cycle among themselves start no chain.
std::vector<ScannedChain> AssembleChains(const std::vector<ScannedBlock>& blocks);

}  // namespace vellumine

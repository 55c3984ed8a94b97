#include "store/ChainAssembly.h"

#include <algorithm>

namespace vellumine {
namespace {

constexpr std::int64_t kEnd = -1;      // next link 0
constexpr std::int64_t kMissing = -2;  // no block found where the link leads

// The index in `blocks` of the block the next link of `block` leads to.
std::int64_t SuccessorOf(const std::vector<ScannedBlock>& blocks, const ScannedBlock& block)
{
    if (block.next == 0)
        return kEnd;
    const std::int64_t position = std::int64_t{block.next} - block.Displacement();
    if (position <= 0 || position > 0xFFFFFFFFll)
        return kMissing;
    const auto at = std::lower_bound(blocks.begin(), blocks.end(), static_cast<std::uint32_t>(position),
                                     [](const ScannedBlock& b, std::uint32_t p) { return b.position < p; });
    if (at == blocks.end() || at->position != position || at->own != block.next)
        return kMissing;
    return at - blocks.begin();
}

}  // namespace

std::vector<ScannedChain> AssembleChains(const std::vector<ScannedBlock>& blocks)
{
    std::vector<std::int64_t> successor(blocks.size());
    std::vector<std::uint8_t> linkedTo(blocks.size(), 0);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        successor[i] = SuccessorOf(blocks, blocks[i]);
        if (successor[i] >= 0)
            linkedTo[static_cast<std::size_t>(successor[i])] = 1;
    }
    std::vector<bool> taken(blocks.size(), false);
    std::vector<ScannedChain> chains;
    for (std::size_t head = 0; head < blocks.size(); ++head) {
        if (linkedTo[head])
            continue;
        ScannedChain chain{blocks[head].position, blocks[head].Displacement(), 0, ScannedChainEnd::Whole};
        std::int64_t at = static_cast<std::int64_t>(head);
        while (true) {
            taken[static_cast<std::size_t>(at)] = true;
            ++chain.blocks;
            const std::int64_t next = successor[static_cast<std::size_t>(at)];
            if (next == kEnd)
                break;
            if (next == kMissing) {
                chain.end = ScannedChainEnd::TailMissing;
                break;
            }
            if (taken[static_cast<std::size_t>(next)]) {
                chain.end = ScannedChainEnd::RunsInto;
                break;
            }
            at = next;
        }
        chains.push_back(chain);
    }
    return chains;
}

}  // namespace vellumine

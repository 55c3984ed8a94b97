#include "store/BlockClaims.h"

namespace vellumine {

std::size_t BlockClaims::SlotOf(std::uint32_t offset) const
{
    // Block offsets share their low bits (blocks lie 4 bytes apart or
    // more): a multiplicative hash spreads them over the table.
    const std::size_t mask = FSlots.size() - 1;
    std::size_t slot = static_cast<std::size_t>((std::uint64_t{offset} * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (FSlots[slot] != 0 && FSlots[slot] != offset)
        slot = (slot + 1) & mask;
    return slot;
}

void BlockClaims::Grow()
{
    std::vector<std::uint32_t> old = std::move(FSlots);
    FSlots.assign(old.empty() ? 1024 : old.size() * 2, 0);
    for (const std::uint32_t offset : old)
        if (offset != 0)
            FSlots[SlotOf(offset)] = offset;
}

bool BlockClaims::Claim(std::uint32_t offset)
{
    if (offset == 0) {
        const bool first = !FZeroClaimed;
        FZeroClaimed = true;
        return first;
    }
    if ((FCount + 1) * 2 > FSlots.size())
        Grow();
    const std::size_t slot = SlotOf(offset);
    if (FSlots[slot] == offset)
        return false;
    FSlots[slot] = offset;
    ++FCount;
    return true;
}

bool BlockClaims::Claimed(std::uint32_t offset) const
{
    if (offset == 0)
        return FZeroClaimed;
    return !FSlots.empty() && FSlots[SlotOf(offset)] == offset;
}

}  // namespace vellumine

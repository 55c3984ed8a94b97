#pragma once
// A set of file offsets for the index walk: open addressing in one flat
// table, so that the 100,000 nodes and records of a large folder file are
// marked without a heap allocation for each. Grows at half full; a damaged
// file cannot make it larger than twice the offsets it was handed.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumine {

class OffsetSet {
public:
    // True when `offset` was not in the set before.
    bool Insert(std::uint32_t offset)
    {
        if (offset == 0) {
            const bool fresh = !FHoldsZero;
            FHoldsZero = true;
            return fresh;
        }
        if (2 * (FCount + 1) > FSlots.size())
            Grow();
        std::uint32_t& slot = SlotOf(offset);
        if (slot == offset)
            return false;
        slot = offset;
        ++FCount;
        return true;
    }

    bool Contains(std::uint32_t offset) const
    {
        if (offset == 0)
            return FHoldsZero;
        return !FSlots.empty() && SlotOf(offset) == offset;
    }

private:
    // The slot holding `offset`, or the empty one (0) where it belongs.
    std::uint32_t& SlotOf(std::uint32_t offset) const
    {
        const std::size_t mask = FSlots.size() - 1;
        // Offsets are mostly multiples of small powers of two: mixed so
        // that they spread over the table.
        std::size_t at = static_cast<std::size_t>((std::uint64_t{offset} * 0x9E3779B97F4A7C15ull) >> 32) & mask;
        while (FSlots[at] != 0 && FSlots[at] != offset)
            at = (at + 1) & mask;
        return const_cast<std::uint32_t&>(FSlots[at]);
    }

    void Grow()
    {
        std::vector<std::uint32_t> old(FSlots.size() < 1024 ? 2048 : 2 * FSlots.size(), 0);
        old.swap(FSlots);
        for (const std::uint32_t offset : old)
            if (offset != 0)
                SlotOf(offset) = offset;
    }

    std::vector<std::uint32_t> FSlots;  // 0: empty; the size a power of two
    std::size_t FCount = 0;
    bool FHoldsZero = false;
};

}  // namespace vellumine

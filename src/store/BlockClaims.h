#pragma once
// The blocks one read of a folder file has taken, so that no block counts
// for two messages: a set of 32-bit file offsets in one open-addressed table
// of 4 bytes a slot. It grows with the blocks taken, not with the file.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumine {

class BlockClaims {
public:
    // True when `offset` was not claimed before (it is now).
    bool Claim(std::uint32_t offset);
    bool Claimed(std::uint32_t offset) const;
    std::size_t Count() const { return FCount + (FZeroClaimed ? 1 : 0); }

private:
    std::size_t SlotOf(std::uint32_t offset) const;
    void Grow();

    std::vector<std::uint32_t> FSlots;  // 0: empty; offset 0 is kept apart
    std::size_t FCount = 0;
    bool FZeroClaimed = false;
};

}  // namespace vellumine

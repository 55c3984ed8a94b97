#pragma once
// Reading a file through a read-only memory map without trusting that the
// file keeps its size: a page the file no longer reaches raises SIGBUS,
// which is caught and reported instead of ending the program. Either around
// one copy out of the mapping, or for a whole mapping that code of any kind
// reads from: there the lost pages read as zeros and the mapping is marked.

#include <cstddef>

namespace vellumine {

// Copies `length` bytes from `mapped` (inside a file mapping) to `out`;
// false when the file no longer holds them.
bool CopyFromMapping(void* out, const void* mapped, std::size_t length);

// A read-only file mapping whose pages the file no longer holds (it shrank,
// or its storage failed) turn into pages of zeros on first touch instead of
// raising SIGBUS. The mapping is marked then: whatever was read from it may
// hold those zeros and must not be passed on as the file's.
class GuardedMapping {
public:
    // Guards `length` bytes from `begin`, the start of a mapping; Guarded()
    // tells whether a place was free for it.
    GuardedMapping(const void* begin, std::size_t length);
    ~GuardedMapping();
    GuardedMapping(const GuardedMapping&) = delete;
    GuardedMapping& operator=(const GuardedMapping&) = delete;

    bool Guarded() const { return FSlot >= 0; }
    // Whether a page had to be replaced by zeros.
    bool Cut() const;

private:
    int FSlot = -1;
};

}  // namespace vellumine

#pragma once
// Reading a file through a read-only memory map without trusting that the
// file keeps its size: a page the file no longer reaches raises SIGBUS,
// which is caught around the copy and reported instead of ending the
// program.

#include <cstddef>

namespace vellumine {

// Copies `length` bytes from `mapped` (inside a file mapping) to `out`;
// false when the file no longer holds them.
bool CopyFromMapping(void* out, const void* mapped, std::size_t length);

}  // namespace vellumine

#pragma once
// Large buffers that are filled once right after they are allocated (a
// whole message file, a decoded attachment): a fresh process touches every
// one of their pages for the first time, and with small pages that costs
// one fault and one zeroed page per 4 KB, more than the decoding itself.

#include <cstddef>
#include <string>

namespace vellumine {

// Makes room for `size` more bytes in `buffer` at once and asks the system
// to back the new memory with large pages where it can. Only a hint: the
// contents and the size of `buffer` stay as they are.
void ReserveLargeBuffer(std::string& buffer, std::size_t size);

}  // namespace vellumine

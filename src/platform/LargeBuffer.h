#pragma once
// Large buffers that are filled once right after they are allocated (a
// whole message file, a decoded attachment): a fresh process touches every
// one of their pages for the first time, and with small pages that costs
// one fault and one zeroed page per 4 KB, more than the decoding itself.

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumine {

// Makes room for `size` more bytes in `buffer` at once and asks the system
// to back the new memory with large pages where it can. Only a hint: the
// contents and the size of `buffer` stay as they are.
void ReserveLargeBuffer(std::string& buffer, std::size_t size);

// Bytes written once into memory that is not cleared first (the system
// hands out fresh memory cleared already; clearing it again is a second
// pass over every byte). A large buffer starts on a large-page boundary,
// so that all of it can be backed by large pages.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { Release(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Room for `size` bytes, their contents unset; what was held is let go.
    // Raises std::bad_alloc when the memory cannot be had.
    unsigned char* Allocate(std::size_t size);
    // Keeps the first `size` bytes (no more than were allocated).
    void Shrink(std::size_t size) { FSize = size < FSize ? size : FSize; }
    void Release();
    std::string_view View() const { return {reinterpret_cast<const char*>(FData), FSize}; }

private:
    unsigned char* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FMapped = 0;  // the length of its own mapping; 0 when it came from the heap
};

}  // namespace vellumine

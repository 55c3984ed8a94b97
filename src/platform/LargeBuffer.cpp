#include "platform/LargeBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vellumine {
namespace {

constexpr std::size_t kSmallPage = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;

// Below this a buffer spans too few large pages for the hint to matter.
constexpr std::size_t kWorthAdvising = 2 * kLargePage;

void PrepareLargeBuffer([[maybe_unused]] char* data, [[maybe_unused]] std::size_t size)
{
    [[maybe_unused]] const auto begin = reinterpret_cast<std::uintptr_t>(data);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only the whole large pages inside the buffer: the advice must not
    // reach memory beyond it that belongs to someone else.
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint: failure changes nothing
#endif
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Every page of the buffer made present in one call rather than one
    // fault at a time as the filling reaches it (the small pages at its
    // ends too). Pages the buffer only partly covers are left to fault.
    const std::uintptr_t firstPage = (begin + kSmallPage - 1) & ~(kSmallPage - 1);
    const std::uintptr_t lastPage = (begin + size) & ~(kSmallPage - 1);
    if (lastPage > firstPage)
        ::madvise(reinterpret_cast<void*>(firstPage), lastPage - firstPage, MADV_POPULATE_WRITE);  // older kernels refuse it: nothing lost
#endif
}

// A mapping of its own for `size` bytes that starts on a large-page
// boundary: a larger one is made and the ends beyond the aligned range are
// given back.
unsigned char* MapAligned(std::size_t size)
{
#if defined(__linux__)
    const std::size_t padded = size + kLargePage;
    if (padded < size)
        return nullptr;
    void* mapping = ::mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = begin + padded;
    const std::uintptr_t used = (aligned + size + kSmallPage - 1) & ~(kSmallPage - 1);
    if (aligned > begin)
        ::munmap(mapping, aligned - begin);
    if (end > used)
        ::munmap(reinterpret_cast<void*>(used), end - used);
    return reinterpret_cast<unsigned char*>(aligned);
#else
    (void)size;
    return nullptr;
#endif
}

std::size_t MappedLength(std::size_t size)
{
    return (size + kSmallPage - 1) & ~(kSmallPage - 1);
}

}  // namespace

unsigned char* ByteBuffer::Allocate(std::size_t size)
{
    Release();
    if (size >= kWorthAdvising) {
        if (unsigned char* mapped = MapAligned(size)) {
            FData = mapped;
            FMapped = MappedLength(size);
            FSize = size;
            PrepareLargeBuffer(reinterpret_cast<char*>(FData), FMapped);
            return FData;
        }
    }
    FData = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!FData)
        throw std::bad_alloc();
    FSize = size;
    return FData;
}

void ByteBuffer::Release()
{
#if defined(__linux__)
    if (FMapped)
        ::munmap(FData, FMapped);
    else
#endif
        std::free(FData);
    FData = nullptr;
    FSize = 0;
    FMapped = 0;
}

void ReserveLargeBuffer(std::string& buffer, std::size_t size)
{
    const std::size_t used = buffer.size();
    if (size > buffer.max_size() - used)
        return;  // too large to hold: left to the caller's own growth to report
    const std::size_t oldCapacity = buffer.capacity();
    buffer.reserve(used + size);
    if (size >= kWorthAdvising && buffer.capacity() != oldCapacity)
        PrepareLargeBuffer(buffer.data() + used, buffer.capacity() - used);
}

}  // namespace vellumine

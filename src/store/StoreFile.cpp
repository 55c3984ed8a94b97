#include "store/StoreFile.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/MappedCopy.h"

namespace vellumine {
namespace {

// Pages mapped by this many reads are let go at once. Fewer reads between
// releases bring the same pages in again more often; on the benchmark store
// (100,000 messages, 263 MB) 4096 keeps the list at its fastest with its
// peak memory near 50 MB, most of it the records themselves.
constexpr std::size_t kReadsBetweenReleases = 4096;

}  // namespace

StoreFile::StoreFile(const std::string& path, std::size_t windowSize, Access access) : FWindowSize(windowSize)
{
    // Opened without blocking: a FIFO or a device under a store file's name
    // would otherwise block the open itself, before the regular-file check.
    FDescriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(FDescriptor, F_SETFL, 0) != 0) {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
        throw FileOpenError(path);
    }
    FSize = static_cast<std::uint64_t>(info.st_size);
    if (access == Access::Mapped && FSize > 0 && FSize <= std::numeric_limits<std::size_t>::max()) {
        void* mapping = ::mmap(nullptr, static_cast<std::size_t>(FSize), PROT_READ, MAP_PRIVATE, FDescriptor, 0);
        if (mapping != MAP_FAILED)
            FMapping = static_cast<const unsigned char*>(mapping);
    }
}

StoreFile::~StoreFile()
{
    Unmap();
    ::close(FDescriptor);
}

void StoreFile::Unmap()
{
    if (FMapping)
        ::munmap(const_cast<unsigned char*>(FMapping), static_cast<std::size_t>(FSize));
    FMapping = nullptr;
}

std::size_t StoreFile::ReadFromDisk(std::uint64_t offset, std::size_t length, unsigned char* out)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(FDescriptor, out + done, length - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

StoreFile::Window& StoreFile::WindowFor(std::uint64_t offset, std::size_t length)
{
    Window* oldest = &FWindows[0];
    for (Window& window : FWindows) {
        if (offset >= window.start && offset + length <= window.start + window.length) {
            window.lastUse = ++FUseCounter;
            return window;
        }
        if (window.lastUse < oldest->lastUse)
            oldest = &window;
    }
    oldest->bytes.resize(FWindowSize);
    oldest->start = offset;
    oldest->length = ReadFromDisk(offset, FWindowSize, oldest->bytes.data());
    oldest->lastUse = ++FUseCounter;
    return *oldest;
}

std::size_t StoreFile::ReadAt(std::uint64_t offset, std::size_t length, unsigned char* out)
{
    if (offset >= FSize || length == 0)
        return 0;
    if (FMapping) {
        // The pages read so far are let go now and then: a walk over a
        // large file touches most of it, which would otherwise all count
        // as the process's memory.
        if (++FReadsSinceRelease == kReadsBetweenReleases) {
            FReadsSinceRelease = 0;
            ::madvise(const_cast<unsigned char*>(FMapping), static_cast<std::size_t>(FSize), MADV_DONTNEED);
        }
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(length, FSize - offset));
        if (CopyFromMapping(out, FMapping + offset, count))
            return count;
        Unmap();  // the file shrank under the mapping: from here on it is read
    }
    return ReadThroughWindow(offset, length, out);
}

void StoreFile::Release(std::uint64_t offset, std::uint64_t length)
{
    if (!FMapping || offset >= FSize)
        return;
    // madvise wants page boundaries: the pages wholly inside the stretch.
    const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t from = (offset + page - 1) / page * page;
    const std::uint64_t to = std::min(FSize, offset + length) / page * page;
    if (to > from)
        ::madvise(const_cast<unsigned char*>(FMapping) + from, static_cast<std::size_t>(to - from), MADV_DONTNEED);
}

std::size_t StoreFile::ReadThroughWindow(std::uint64_t offset, std::size_t length, unsigned char* out)
{
    if (length > FWindowSize / 2)
        return ReadFromDisk(offset, length, out);
    const Window& window = WindowFor(offset, length);
    const std::size_t available = window.length - static_cast<std::size_t>(offset - window.start);
    const std::size_t count = std::min(length, available);
    std::memcpy(out, window.bytes.data() + (offset - window.start), count);
    return count;
}

}  // namespace vellumine

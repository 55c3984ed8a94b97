#include "store/StoreFile.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"

namespace vellumine {
StoreFile::StoreFile(const std::string& path, std::size_t windowSize) : FWindowSize(windowSize)
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
}

StoreFile::~StoreFile()
{
    ::close(FDescriptor);
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
    if (length > FWindowSize / 2)
        return ReadFromDisk(offset, length, out);
    const Window& window = WindowFor(offset, length);
    const std::size_t available = window.length - static_cast<std::size_t>(offset - window.start);
    const std::size_t count = std::min(length, available);
    std::memcpy(out, window.bytes.data() + (offset - window.start), count);
    return count;
}

}  // namespace vellumine

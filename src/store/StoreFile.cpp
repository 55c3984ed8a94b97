#include "store/StoreFile.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"

namespace vellumine {
namespace {
constexpr std::size_t kWindowSize = 64 * 1024;
}

StoreFile::StoreFile(const std::string& path)
{
    FDescriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
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

std::size_t StoreFile::ReadAt(std::uint64_t offset, std::size_t length, unsigned char* out)
{
    if (offset >= FSize || length == 0)
        return 0;
    if (length > kWindowSize / 2)
        return ReadFromDisk(offset, length, out);
    const bool inWindow = offset >= FWindowStart && offset + length <= FWindowStart + FWindowLength;
    if (!inWindow) {
        FWindow.resize(kWindowSize);
        FWindowStart = offset;
        FWindowLength = ReadFromDisk(offset, kWindowSize, FWindow.data());
    }
    const std::uint64_t available = FWindowStart + FWindowLength - offset;
    const std::size_t count = offset >= FWindowStart + FWindowLength
                                  ? 0
                                  : static_cast<std::size_t>(std::min<std::uint64_t>(length, available));
    std::memcpy(out, FWindow.data() + (offset - FWindowStart), count);
    return count;
}

}  // namespace vellumine

#include "platform/FileAccess.h"

#include "platform/LargeBuffer.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace vellumine {

bool WriteAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

namespace {

// Writes and closes; on failure the file is removed again so that no
// half-written file is left behind under a name the caller reports.
void WriteAndClose(int fd, const std::string& path, const BytePieces& bytes)
{
    try {
        bytes([&](std::string_view piece) {
            if (!WriteAll(fd, piece))
                throw FileCreateError(path);
        });
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        ::unlink(path.c_str());
        throw FileCreateError(path);
    }
}

void WriteAndClose(int fd, const std::string& path, std::string_view bytes)
{
    WriteAndClose(fd, path, [bytes](const PieceSink& sink) { sink(bytes); });
}

}  // namespace

Error FileCreateError(const std::string& path)
{
    return Error(FormatMessage("Datei %s kann nicht erstellt werden", path));
}

void WriteFileReplacing(const std::string& path, std::string_view bytes)
{
    // Not blocking on a FIFO of that name; O_TRUNC touches regular files only.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        throw FileCreateError(path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw FileCreateError(path);
    }
    WriteAndClose(fd, path, bytes);
}

bool WriteNewFile(const std::string& path, std::string_view bytes)
{
    return WriteNewFileFromPieces(path, [bytes](const PieceSink& sink) { sink(bytes); });
}

bool WriteNewFileFromPieces(const std::string& path, const BytePieces& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw FileCreateError(path);
    }
    WriteAndClose(fd, path, bytes);
    return true;
}

int OpenRegularFile(const std::string& path, struct stat& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadRestOfFile(int fd, std::size_t sizeHint)
{
    // Read straight into a buffer of the size the file has now, in as few
    // calls as the system allows; a file that grows meanwhile is read to
    // its end all the same, one that shrinks is cut where it ends.
    std::string bytes;
    ReserveLargeBuffer(bytes, sizeHint);
    bytes.resize(sizeHint);
    std::size_t filled = 0;
    char beyond[65536];
    for (;;) {
        const bool full = filled == bytes.size();
        const ssize_t got = full ? ::read(fd, beyond, sizeof beyond) : ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0) {
            bytes.resize(filled);
            return bytes;
        }
        if (full)
            bytes.append(beyond, static_cast<std::size_t>(got));
        filled += static_cast<std::size_t>(got);
    }
}

std::optional<std::string> ReadFileBytes(const std::string& path)
{
    struct stat info {};
    const int fd = OpenRegularFile(path, info);
    if (fd < 0)
        return std::nullopt;
    auto bytes = ReadRestOfFile(fd, static_cast<std::size_t>(info.st_size));
    ::close(fd);
    return bytes;
}

bool CreateFolders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error && std::filesystem::is_directory(path, error);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace vellumine

#pragma once
// A store file opened for reading. Reads are positioned and may deliver
// fewer bytes than asked for near the end of the file; callers check what
// arrived. The file is read through a read-only memory map: each read
// copies what it asks for straight from the file's pages, and the pages of
// a large file do not all stay with the process (they are let go now and
// then; the file's cache keeps them). A file that shrinks while mapped, or
// cannot be mapped, is read with system calls instead, through a few
// read-ahead windows that serve the many short reads of an index walk
// (several, as the walk alternates between the index nodes and the records
// they point to).

#include <cstdint>
#include <string>
#include <vector>

namespace vellumine {

class StoreFile {
public:
    // Raises "Datei %s kann nicht geöffnet werden" when the file cannot be
    // opened for reading (or is not a regular file).
    // `windowSize`: bytes read ahead per system call; large for the index
    // walk, small for a message source, whose blocks lie together.
    enum class Access { Windows, Mapped };
    explicit StoreFile(const std::string& path, std::size_t windowSize = 64 * 1024, Access access = Access::Mapped);
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    std::uint64_t Size() const { return FSize; }

    // Copies up to `length` bytes at `offset` into `out` and returns how
    // many arrived (0 past the end of the file).
    std::size_t ReadAt(std::uint64_t offset, std::size_t length, unsigned char* out);

    // Lets go of the mapped pages of a stretch read through: a pass over a
    // whole large file keeps no more of it than it is reading.
    void Release(std::uint64_t offset, std::uint64_t length);

    // True when all `length` bytes at `offset` lie within the file.
    bool Holds(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= FSize && length <= FSize - offset;
    }

private:
    std::size_t ReadFromDisk(std::uint64_t offset, std::size_t length, unsigned char* out);
    std::size_t ReadThroughWindow(std::uint64_t offset, std::size_t length, unsigned char* out);
    void Unmap();

    struct Window {
        std::vector<unsigned char> bytes;
        std::uint64_t start = 0;
        std::size_t length = 0;
        std::uint64_t lastUse = 0;
    };
    Window& WindowFor(std::uint64_t offset, std::size_t length);

    int FDescriptor = -1;
    const unsigned char* FMapping = nullptr;  // the whole file; null when read with system calls
    std::size_t FReadsSinceRelease = 0;
    std::uint64_t FSize = 0;
    Window FWindows[4];
    std::uint64_t FUseCounter = 0;
    std::size_t FWindowSize;
};

}  // namespace vellumine

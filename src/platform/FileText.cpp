#include "platform/FileText.h"

#include "platform/FileAccess.h"
#include "platform/MappedCopy.h"

#include <sys/mman.h>
#include <unistd.h>

namespace vellumine {
namespace {

bool SameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::shared_ptr<const FileText> FileText::Read(const std::string& path)
{
    struct stat info {};
    const int fd = OpenRegularFile(path, info);
    if (fd < 0)
        return nullptr;
    if (static_cast<std::size_t>(info.st_size) >= kWorthMapping) {
        std::shared_ptr<FileText> file(new FileText());
        if (file->Map(fd, info))
            return file;
    }
    auto bytes = ReadRestOfFile(fd, static_cast<std::size_t>(info.st_size));
    ::close(fd);
    return bytes ? Hold(std::move(*bytes)) : nullptr;
}

std::shared_ptr<const FileText> FileText::Hold(std::string bytes)
{
    std::shared_ptr<FileText> file(new FileText());
    file->FCopy = std::move(bytes);
    file->FText = file->FCopy;
    return file;
}

bool FileText::Map(int fd, const struct stat& info)
{
    const auto length = static_cast<std::size_t>(info.st_size);
    // Private and read-only: nothing is ever written back. Populated at
    // once: the pages the file has in memory are entered in one call rather
    // than one fault at a time.
    void* mapping = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (mapping == MAP_FAILED)
        return false;
    auto guard = std::make_unique<GuardedMapping>(mapping, length);
    if (!guard->Guarded()) {
        ::munmap(mapping, length);  // too many held at once: this one is copied
        return false;
    }
    FMapping = mapping;
    FMappedLength = length;
    FGuard = std::move(guard);
    FDescriptor = fd;
    FOpened = info;
    FText = std::string_view(static_cast<const char*>(mapping), length);
    return true;
}

FileText::~FileText()
{
    if (FMapping) {
        FGuard.reset();  // no page of it is read any more
        ::munmap(FMapping, FMappedLength);
    }
    if (FDescriptor >= 0)
        ::close(FDescriptor);
}

bool FileText::Intact() const
{
    if (!FMapping)
        return true;
    if (FGuard->Cut())
        return false;
    // A file cut inside its last page reads as zeros past its new end with
    // no fault, so the size is compared as well; one cut and filled again
    // has been written to, which its change time shows.
    struct stat now {};
    return ::fstat(FDescriptor, &now) == 0 && now.st_size == FOpened.st_size &&
           SameTime(now.st_mtim, FOpened.st_mtim) && SameTime(now.st_ctim, FOpened.st_ctim);
}

}  // namespace vellumine

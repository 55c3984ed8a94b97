#pragma once
// The whole of a file, held for one job that reads it through and then
// hands on what came of it (a message parsed, checked and written out). A
// large file is mapped rather than copied: a fresh process then neither
// zeroes nor fills memory for it, which for a file of many megabytes takes
// longer than parsing it. A mapping shows the file as it is now, so the
// holder asks Intact() once its job is done: false when the file shrank or
// changed meanwhile, and then nothing read from it is to be passed on as
// the file's. Reading never crashes on such a file: what it lost reads as
// zeros until the holder lets go.

#include <memory>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace vellumine {

class GuardedMapping;

class FileText {
public:
    // Files below this size are copied: mapping them saves less than it costs.
    static constexpr std::size_t kWorthMapping = std::size_t{1} << 20;

    // The file at `path`, or none when it is no regular file or cannot be read.
    static std::shared_ptr<const FileText> Read(const std::string& path);
    // Bytes read otherwise (standard input), held the same way.
    static std::shared_ptr<const FileText> Hold(std::string bytes);

    ~FileText();
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    std::string_view Text() const { return FText; }
    bool Mapped() const { return FMapping != nullptr; }
    // Whether the file still is what was read: always for a copy; for a
    // mapping, as long as no page of it was lost and the file has kept its
    // size and has not been written to since it was opened.
    bool Intact() const;

private:
    FileText() = default;
    bool Map(int fd, const struct stat& info);

    std::string FCopy;
    std::string_view FText;
    void* FMapping = nullptr;
    std::size_t FMappedLength = 0;
    std::unique_ptr<GuardedMapping> FGuard;
    int FDescriptor = -1;
    struct stat FOpened {};
};

}  // namespace vellumine

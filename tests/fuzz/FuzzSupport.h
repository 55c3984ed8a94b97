#pragma once
// What the fuzz targets share: a private folder per process under the
// temporary folder, and a check that a run wrote nothing outside the folder
// it was given.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vellumine::fuzz {

// A folder of this process, made once, emptied for every input.
inline const std::filesystem::path& WorkFolder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellumine-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline void EmptyFolder(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(entry.path());
}

// Aborts (a finding) when `outer` holds anything but `inner`, or `inner`
// holds anything but regular files.
inline void CheckOnlyWrittenInside(const std::filesystem::path& outer, const std::filesystem::path& inner)
{
    for (const auto& entry : std::filesystem::directory_iterator(outer))
        if (entry.path() != inner)
            std::abort();
    for (const auto& entry : std::filesystem::directory_iterator(inner))
        if (!entry.is_regular_file() || entry.is_symlink())
            std::abort();
}

inline std::uint32_t Word(const std::uint8_t* data, std::size_t size, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(at + i < size ? data[at + i] : 0) << (8 * i);
    return value;
}

}  // namespace vellumine::fuzz

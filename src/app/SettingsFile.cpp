#include "app/SettingsFile.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "platform/FileAccess.h"

namespace vellumine {
namespace {

constexpr std::size_t kValueCount = 6;

std::int32_t ValueAt(const std::string& bytes, std::size_t index)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[4 * index + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(value);
}

void PutValue(std::string& bytes, std::int32_t value)
{
    const auto raw = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((raw >> (8 * i)) & 0xFF);
}

}  // namespace

void ReadOptionsFile(const std::string& path, ViewOptions& options)
{
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return;
    const std::size_t present = std::min(bytes->size() / 4, kValueCount);
    bool* const boxes[] = {&options.showHead, &options.showFrom, &options.showTo, &options.showSubject,
                           &options.showDate};
    if (present > 0)
        options.designIndex = ValueAt(*bytes, 0);
    for (std::size_t i = 1; i < present; ++i)
        *boxes[i - 1] = ValueAt(*bytes, i) != 0;
}

bool WriteOptionsFile(const std::string& path, const ViewOptions& options)
{
    std::string bytes;
    PutValue(bytes, options.designIndex);
    for (const bool box : {options.showHead, options.showFrom, options.showTo, options.showSubject, options.showDate})
        PutValue(bytes, box ? 1 : 0);
    return ReplaceFileSafely(path, bytes);
}

bool ReplaceFileSafely(const std::string& path, const std::string& bytes)
{
    const std::string temporary = path + ".tmp";
    try {
        WriteFileReplacing(temporary, bytes);
    } catch (const Error&) {
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vellumine

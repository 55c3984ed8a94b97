#include "store/FileTime.h"

namespace vellumine {

TDateTime FileTimeToDateTime(std::uint64_t fileTime)
{
    return FileTimeToDateTime(fileTime, CurrentUtcOffsetSeconds());
}

TDateTime FileTimeToDateTime(std::uint64_t fileTime, std::int64_t utcOffsetSeconds)
{
    const auto local = FileTimeToLocalFileTime(fileTime, utcOffsetSeconds);
    const auto fields = local ? FileTimeToSystemTime(*local) : std::nullopt;
    return EncodeDateTime(fields ? *fields : SystemTime{});
}

}  // namespace vellumine

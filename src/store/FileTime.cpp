#include "store/FileTime.h"

namespace vellumine {

TDateTime FileTimeToDateTime(std::uint64_t fileTime)
{
    const auto local = FileTimeToLocalFileTime(fileTime);
    const auto fields = local ? FileTimeToSystemTime(*local) : std::nullopt;
    return EncodeDateTime(fields ? *fields : SystemTime{});
}

}  // namespace vellumine

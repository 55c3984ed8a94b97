#pragma once

#include <cstdint>

#include "platform/DateTime.h"

namespace vellumine {

// A store FILETIME as a local date-time value, shifted by the UTC offset in
// force now (as Windows does, not the one at that date). A time whose local
// value would fall before 1601, or that lies beyond what Windows converts,
// yields 1 January 1601, 00:00.
TDateTime FileTimeToDateTime(std::uint64_t fileTime);

// The same with the UTC offset given, for converting many times at once.
TDateTime FileTimeToDateTime(std::uint64_t fileTime, std::int64_t utcOffsetSeconds);

}  // namespace vellumine

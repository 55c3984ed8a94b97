#pragma once
// Message ids of the search index sort as the messages' dates: the second
// of the date in the upper bits, a running number among the messages of
// that second in the lower ones. Newest first is then the index's own
// order, and a date range a range of ids, which the full-text table walks
// without sorting.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vellumine {

// A FILETIME as SQLite keeps it (a signed 64-bit number).
inline std::int64_t StoredDate(std::uint64_t fileTime)
{
    constexpr auto kLatest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(fileTime, kLatest));
}

inline constexpr int kSameSecondBits = 20;
inline constexpr std::int64_t kSameSecondIds = std::int64_t{1} << kSameSecondBits;

// The first id of the second `fileTime` falls in.
inline std::int64_t FirstIdOf(std::uint64_t fileTime)
{
    constexpr std::uint64_t kLastSecond = (std::uint64_t{1} << (62 - kSameSecondBits)) - 1;
    return static_cast<std::int64_t>(std::min(fileTime / 10000000, kLastSecond) << kSameSecondBits);
}

}  // namespace vellumine

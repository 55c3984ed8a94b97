#pragma once
// The value of a `datum:` term: a local year, month or day (2003,
// 2003-01, 2003-01-15) or a range of them with open ends (2003-01..2003-06,
// 2003-01.., ..2003-06), as FILETIME bounds.

#include <cstdint>
#include <optional>
#include <string>

namespace vellumine {

struct DateRange {
    std::optional<std::uint64_t> from;   // the first moment in the range
    std::optional<std::uint64_t> until;  // the first moment after it
};

// Raises Error "Ungültige Datumsangabe: %s" for a value it cannot read.
DateRange ReadDateRange(const std::string& value, std::int64_t utcOffsetSeconds);

}  // namespace vellumine

#pragma once
// Date-time values as the program passes them around: days since
// 30 December 1899 with the time of day as the fraction (for days before
// that date the count is negative and the time is subtracted).

#include <cstdint>
#include <optional>
#include <string>

namespace vellumine {

using TDateTime = double;

struct SystemTime {
    int Year = 1601, Month = 1, Day = 1;
    int Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

TDateTime EncodeDateTime(const SystemTime& time);
SystemTime DecodeDateTime(TDateTime value);

// Calendar fields of a FILETIME (100 ns units since 1 January 1601, UTC).
// None for values at or above 2^63, which Windows refuses as well.
std::optional<SystemTime> FileTimeToSystemTime(std::uint64_t fileTime);

// The FILETIME of calendar fields taken as UTC (dates from 1601 on).
std::uint64_t SystemTimeToFileTime(const SystemTime& time);

// Offset of the local time zone from UTC in seconds, as in force now.
std::int64_t CurrentUtcOffsetSeconds();

// A FILETIME shifted by the current UTC offset, as FileTimeToLocalFileTime
// does; none when the local time would fall before 1601.
std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime);
std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime, std::int64_t utcOffsetSeconds);

// The date text of the user's locale: short date, a blank, long time; the
// blank and the time are left off at exactly midnight. Uses the C library's
// LC_TIME formats (set by setlocale(LC_ALL, "") at program start).
std::string DateTimeText(TDateTime value);

// "2002-04-14T00:27:57Z" for a FILETIME, seconds truncated.
std::string FileTimeToIsoUtc(std::uint64_t fileTime);

}  // namespace vellumine

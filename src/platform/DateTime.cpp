#include "platform/DateTime.h"

#include <cstdint>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace vellumine {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr std::uint64_t kFileTimeUnitsPerMillisecond = 10'000;

// Days since 1 January 1970 of a proleptic Gregorian date, and back
// (the algorithms of H. Hinnant's "chrono-compatible low-level date algorithms").
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);
const std::int64_t kFileTimeEpochDays = DaysFromCivil(1601, 1, 1);

std::tm ToTm(const SystemTime& t)
{
    std::tm tm{};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    tm.tm_wday = static_cast<int>(((DaysFromCivil(t.Year, t.Month, t.Day) % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return tm;
}

std::string FormatTm(const char* format, const std::tm& tm)
{
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, length);
}

}  // namespace

TDateTime EncodeDateTime(const SystemTime& t)
{
    const auto days = static_cast<double>(DaysFromCivil(t.Year, t.Month, t.Day) - kOleEpochDays);
    const double time =
        static_cast<double>(((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Milliseconds) /
        static_cast<double>(kMillisecondsPerDay);
    return days < 0 ? days - time : days + time;
}

SystemTime DecodeDateTime(TDateTime value)
{
    double wholeDays = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - wholeDays) * kMillisecondsPerDay));
    if (ms >= kMillisecondsPerDay) {  // rounding reached the next day
        ms -= kMillisecondsPerDay;
        wholeDays += value < 0 ? -1 : 1;
    }
    SystemTime t;
    CivilFromDays(static_cast<std::int64_t>(wholeDays) + kOleEpochDays, t.Year, t.Month, t.Day);
    t.Hour = static_cast<int>(ms / 3'600'000);
    t.Minute = static_cast<int>(ms / 60'000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Milliseconds = static_cast<int>(ms % 1000);
    return t;
}

std::optional<SystemTime> FileTimeToSystemTime(std::uint64_t fileTime)
{
    if (fileTime >= (std::uint64_t{1} << 63))
        return std::nullopt;
    const std::uint64_t ms = fileTime / kFileTimeUnitsPerMillisecond;
    const auto days = static_cast<std::int64_t>(ms / kMillisecondsPerDay);
    const auto rest = static_cast<std::int64_t>(ms % kMillisecondsPerDay);
    SystemTime t;
    CivilFromDays(kFileTimeEpochDays + days, t.Year, t.Month, t.Day);
    t.Hour = static_cast<int>(rest / 3'600'000);
    t.Minute = static_cast<int>(rest / 60'000 % 60);
    t.Second = static_cast<int>(rest / 1000 % 60);
    t.Milliseconds = static_cast<int>(rest % 1000);
    return t;
}

std::uint64_t SystemTimeToFileTime(const SystemTime& t)
{
    const std::int64_t days = DaysFromCivil(t.Year, t.Month, t.Day) - kFileTimeEpochDays;
    const std::int64_t ms = (((days * 24 + t.Hour) * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Milliseconds;
    return static_cast<std::uint64_t>(ms) * kFileTimeUnitsPerMillisecond;
}

std::int64_t CurrentUtcOffsetSeconds()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime)
{
    return FileTimeToLocalFileTime(fileTime, CurrentUtcOffsetSeconds());
}

std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime, std::int64_t utcOffsetSeconds)
{
    const std::int64_t offsetUnits = utcOffsetSeconds * 10'000'000;
    if (offsetUnits < 0 && fileTime < static_cast<std::uint64_t>(-offsetUnits))
        return std::nullopt;
    // Near the top of the range a positive offset would wrap round to 1601.
    if (offsetUnits > 0 && fileTime > UINT64_MAX - static_cast<std::uint64_t>(offsetUnits))
        return std::nullopt;
    return fileTime + static_cast<std::uint64_t>(offsetUnits);
}

std::string DateTimeText(TDateTime value)
{
    const SystemTime t = DecodeDateTime(value);
    const std::tm tm = ToTm(t);
    std::string text = FormatTm("%x", tm);
    if (t.Hour != 0 || t.Minute != 0 || t.Second != 0 || t.Milliseconds != 0)
        text += " " + FormatTm("%X", tm);
    return text;
}

std::string FileTimeToIsoUtc(std::uint64_t fileTime)
{
    const auto t = FileTimeToSystemTime(fileTime);
    if (!t)
        return {};
    if (t->Year > 9999) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%d-%02d-%02dT%02d:%02d:%02dZ", t->Year, t->Month, t->Day, t->Hour,
                      t->Minute, t->Second);
        return buffer;
    }
    // Written digit by digit: lists of 100,000 dates spend long in printf.
    char text[] = "0000-00-00T00:00:00Z";
    const auto put = [&text](std::size_t at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    };
    put(0, t->Year, 4);
    put(5, t->Month, 2);
    put(8, t->Day, 2);
    put(11, t->Hour, 2);
    put(14, t->Minute, 2);
    put(17, t->Second, 2);
    return text;
}

}  // namespace vellumine

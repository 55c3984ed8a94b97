#include "search/QueryDates.h"

#include <algorithm>
#include <string_view>

#include "platform/DateTime.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

struct DateBound {
    SystemTime start;
    SystemTime next;  // the start of the period after it
};

std::optional<int> Number(std::string_view digits, std::size_t length)
{
    if (digits.size() != length || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "2003", "2003-01" or "2003-01-15".
std::optional<DateBound> ReadDate(std::string_view text)
{
    const auto year = Number(text.substr(0, 4), 4);
    if (!year || *year < 1601 || *year > 9998)
        return std::nullopt;
    DateBound bound;
    bound.start.Year = *year;
    bound.next.Year = *year + 1;
    if (text.size() == 4)
        return bound;
    const auto month = text.size() >= 7 && text[4] == '-' ? Number(text.substr(5, 2), 2) : std::nullopt;
    if (!month || *month < 1 || *month > 12)
        return std::nullopt;
    bound.start.Month = *month;
    bound.next = bound.start;
    if (++bound.next.Month > 12) {
        bound.next.Month = 1;
        ++bound.next.Year;
    }
    if (text.size() == 7)
        return bound;
    const auto day = text.size() == 10 && text[7] == '-' ? Number(text.substr(8, 2), 2) : std::nullopt;
    if (!day || *day < 1 || *day > DaysInMonth(*year, *month))
        return std::nullopt;
    bound.start.Day = *day;
    bound.next = bound.start;
    if (++bound.next.Day > DaysInMonth(*year, *month)) {
        bound.next.Day = 1;
        if (++bound.next.Month > 12) {
            bound.next.Month = 1;
            ++bound.next.Year;
        }
    }
    return bound;
}

std::uint64_t LocalStart(const SystemTime& time, std::int64_t utcOffsetSeconds)
{
    const auto utc = static_cast<std::int64_t>(SystemTimeToFileTime(time)) - utcOffsetSeconds * 10000000;
    return static_cast<std::uint64_t>(std::max<std::int64_t>(utc, 0));
}

}  // namespace

DateRange ReadDateRange(const std::string& value, std::int64_t utcOffsetSeconds)
{
    const std::size_t dots = value.find("..");
    const std::string low = value.substr(0, dots);
    const std::string high = dots == std::string::npos ? value : value.substr(dots + 2);
    const auto from = low.empty() ? std::nullopt : ReadDate(low);
    const auto until = high.empty() ? std::nullopt : ReadDate(high);
    if ((!low.empty() && !from) || (!high.empty() && !until) || (low.empty() && high.empty()))
        throw Error(FormatMessage("Ungültige Datumsangabe: %s", value));
    DateRange range;
    if (from)
        range.from = LocalStart(from->start, utcOffsetSeconds);
    if (until)
        range.until = LocalStart(until->next, utcOffsetSeconds);
    return range;
}

}  // namespace vellumine

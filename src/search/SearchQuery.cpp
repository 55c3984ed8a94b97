#include "search/SearchQuery.h"

#include <algorithm>
#include <vector>

#include "platform/Ascii.h"
#include "platform/DateTime.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

struct QueryTerm {
    std::string field;  // lower case; empty for none
    std::string value;
    bool phrase = false;  // the value was quoted
    bool prefix = false;  // a trailing * on a word
};

// The index's column for a field prefix; null for a prefix it does not know.
const char* ColumnOf(const std::string& field)
{
    if (field == "von")
        return "sender";
    if (field == "an")
        return "recipients";
    if (field == "betreff")
        return "subject";
    if (field == "ordner")
        return "folder";
    if (field == "anhang")
        return "attachments";
    return nullptr;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits at blanks outside quotes; "name:" before a value names its field.
std::vector<QueryTerm> SplitTerms(std::string_view text)
{
    std::vector<QueryTerm> terms;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        QueryTerm term;
        std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != '"' && text[i] != ':')
            ++i;
        if (i < text.size() && text[i] == ':') {
            const std::string field = LowerAsciiText(text.substr(start, i - start));
            if (ColumnOf(field) || field == "datum") {
                term.field = field;
                start = ++i;
            }
        }
        if (i == start && i < text.size() && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            term.value = text.substr(i + 1, end - i - 1);
            term.phrase = true;
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            while (i < text.size() && !IsBlank(text[i]))
                ++i;
            term.value = text.substr(start, i - start);
            term.value.erase(std::remove(term.value.begin(), term.value.end(), '"'), term.value.end());
            while (!term.value.empty() && term.value.back() == '*') {
                term.prefix = true;
                term.value.pop_back();
            }
        }
        if (!term.value.empty())
            terms.push_back(std::move(term));
    }
    return terms;
}

// A quoted FTS5 string: whatever the user typed is looked for as text,
// never read as the match language's operators.
std::string QuotedString(const std::string& value)
{
    std::string quoted = "\"";
    for (const char c : value) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

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

void AddDateRange(SearchQuery& query, const std::string& value, std::int64_t utcOffsetSeconds)
{
    const std::size_t dots = value.find("..");
    const std::string low = value.substr(0, dots);
    const std::string high = dots == std::string::npos ? value : value.substr(dots + 2);
    const auto from = low.empty() ? std::nullopt : ReadDate(low);
    const auto until = high.empty() ? std::nullopt : ReadDate(high);
    if ((!low.empty() && !from) || (!high.empty() && !until) || (low.empty() && high.empty()))
        throw Error(FormatMessage("Ungültige Datumsangabe: %s", value));
    if (from) {
        const std::uint64_t start = LocalStart(from->start, utcOffsetSeconds);
        query.from = query.from ? std::max(*query.from, start) : start;
    }
    if (until) {
        const std::uint64_t end = LocalStart(until->next, utcOffsetSeconds);
        query.until = query.until ? std::min(*query.until, end) : end;
    }
}

}  // namespace

SearchQuery ParseSearchQuery(std::string_view text, std::int64_t utcOffsetSeconds)
{
    SearchQuery query;
    for (const QueryTerm& term : SplitTerms(text)) {
        if (term.field == "datum") {
            AddDateRange(query, term.value, utcOffsetSeconds);
            continue;
        }
        std::string expression = QuotedString(term.value);
        if (term.prefix && !term.phrase)
            expression += " *";
        if (const char* column = ColumnOf(term.field))
            expression = std::string(column) + " : " + expression;
        query.match += (query.match.empty() ? "" : " AND ") + expression;
    }
    return query;
}

}  // namespace vellumine

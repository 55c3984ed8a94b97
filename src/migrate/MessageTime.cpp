#include "migrate/MessageTime.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/Ascii.h"
#include "platform/DateTime.h"

namespace vellumine {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

std::string_view LineAt(std::string_view source, std::size_t at, std::size_t& next)
{
    std::size_t end = source.find('\n', at);
    next = end == std::string_view::npos ? source.size() : end + 1;
    std::string_view line = source.substr(at, (end == std::string_view::npos ? source.size() : end) - at);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// The words of a date: runs of letters, of digits, and the signs + - :
std::vector<std::string> DateTokens(std::string_view text)
{
    std::vector<std::string> tokens;
    int depth = 0;  // comments in parentheses are skipped
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '(' || (c == ')' && depth > 0)) {
            depth += c == '(' ? 1 : -1;
            ++i;
        } else if (depth > 0 || !(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == ':')) {
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                ++end;
            tokens.emplace_back(text.substr(i, end - i));
            i = end;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
                ++end;
            tokens.push_back(LowerAsciiText(text.substr(i, end - i)));
            i = end;
        } else {
            tokens.emplace_back(1, c);
            ++i;
        }
    }
    return tokens;
}

int MonthOf(const std::string& word)
{
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int m = 0; m < 12; ++m)
        if (word.substr(0, 3) == kMonths[m])
            return m + 1;
    return 0;
}

// Minutes east of UTC of a zone name; 0 for UT, GMT, Z and unknown names.
int ZoneNameOffset(const std::string& word)
{
    static const struct {
        const char* name;
        int minutes;
    } kZones[] = {{"est", -300}, {"edt", -240}, {"cst", -360}, {"cdt", -300}, {"mst", -420},
                  {"mdt", -360}, {"pst", -480}, {"pdt", -420}, {"cet", 60},   {"cest", 120},
                  {"met", 60},   {"mest", 120}, {"mez", 60},   {"mesz", 120}, {"bst", 60}};
    for (const auto& zone : kZones)
        if (word == zone.name)
            return zone.minutes;
    return 0;
}

bool IsNumber(const std::string& token)
{
    return !token.empty() && std::isdigit(static_cast<unsigned char>(token[0]));
}

}  // namespace

std::optional<std::string> RawHeaderField(std::string_view source, std::string_view name)
{
    for (std::size_t at = 0, next = 0; at < source.size(); at = next) {
        const std::string_view line = LineAt(source, at, next);
        if (line.empty())
            return std::nullopt;  // the end of the header
        if (line.size() > name.size() && line[name.size()] == ':' && StartsWithIgnoringAsciiCase(line, 0, name)) {
            std::string value(line.substr(name.size() + 1));
            while (next < source.size() && (source[next] == ' ' || source[next] == '\t')) {
                value += ' ';
                value.append(LineAt(source, next, next));
            }
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ParseMessageDate(std::string_view text)
{
    const std::vector<std::string> t = DateTokens(text);
    std::size_t i = 0;
    if (i < t.size() && !IsNumber(t[i]) && MonthOf(t[i]) == 0)
        ++i;  // the day's name
    // "14 Apr 2002" or, as some programs write it, "Apr 14 2002".
    if (i + 2 >= t.size())
        return std::nullopt;
    std::string dayText = t[i], monthText = t[i + 1];
    if (!IsNumber(dayText))
        std::swap(dayText, monthText);
    const int month = MonthOf(monthText);
    if (!IsNumber(dayText) || dayText.size() > 2 || month == 0 || !IsNumber(t[i + 2]) || t[i + 2].size() > 4)
        return std::nullopt;
    if (i + 3 < t.size() && t[i + 3] == ":")
        return std::nullopt;  // a clock where the year belongs ("Apr 13 22:27:57 2002")
    const int day = std::stoi(dayText);
    int year = std::stoi(t[i + 2]);
    if (t[i + 2].size() <= 2)
        year += year < 50 ? 2000 : 1900;
    else if (t[i + 2].size() == 3)
        year += 1900;
    i += 3;
    int clock[3] = {0, 0, 0};
    for (int part = 0; part < 3 && i < t.size() && IsNumber(t[i]) && t[i].size() <= 2; ++part) {
        clock[part] = std::stoi(t[i++]);
        if (i < t.size() && t[i] == ":")
            ++i;
        else
            break;
    }
    int offset = 0;
    if (i < t.size() && (t[i] == "+" || t[i] == "-") && i + 1 < t.size() && IsNumber(t[i + 1]) && t[i + 1].size() == 4) {
        const int hhmm = std::stoi(t[i + 1]);
        offset = (t[i] == "-" ? -1 : 1) * ((hhmm / 100) * 60 + hhmm % 100);
    } else if (i < t.size()) {
        offset = ZoneNameOffset(t[i]);
    }
    if (day < 1 || day > 31 || year < 1601 || year > 9999 || clock[0] > 23 || clock[1] > 59 || clock[2] > 60)
        return std::nullopt;
    const std::uint64_t local = SystemTimeToFileTime(SystemTime{year, month, day, clock[0], clock[1], std::min(clock[2], 59), 0});
    const std::int64_t shift = static_cast<std::int64_t>(offset) * 60 * 10'000'000;
    if (local == 0 || static_cast<std::int64_t>(local) <= shift)
        return std::nullopt;
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(local) - shift);
}

std::uint64_t FileTimeOfUnixTime(std::int64_t seconds)
{
    return static_cast<std::uint64_t>(seconds) * 10'000'000 + kUnixEpochAsFileTime;
}

std::uint64_t MigrationTimeOf(std::uint64_t storeDate, std::string_view source, std::uint64_t migrationTime)
{
    if (storeDate != 0)
        return storeDate;
    if (const auto field = RawHeaderField(source, "date"))
        if (const auto date = ParseMessageDate(*field))
            return *date;
    return migrationTime;
}

}  // namespace vellumine

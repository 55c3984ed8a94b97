#include "mime/HeaderText.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>
#include <algorithm>

#include "platform/Ascii.h"

namespace vellumine {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string DropOuterQuotes(std::string text)
{
    if (!text.empty() && text.front() == '"' && text.back() == '"')
        return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
    return text;
}

std::string WithClosingSemicolon(std::string_view line)
{
    std::string s = TrimSpaces(line);
    if (s.empty() || s.back() != ';')
        s += ';';
    return s;
}

struct Span {
    std::size_t start, end;
};

// Walks a header line that ends in ';' the way parameters are read: a colon
// enters the value, a semicolon the parameters, and an '=' after a
// parameter name starts collecting when the name is the wanted one (any
// other '=' stops it). Quotes make ':', ';' and '=' plain characters.
// Returns the collected runs in order.
std::vector<Span> CollectedRuns(std::string_view s, std::string_view name)
{
    const std::string wanted = UpperAscii(TrimSpaces(name));
    std::vector<Span> runs;
    bool quoted = false, mainValue = false, params = false, collecting = false;
    std::string accumulated;
    const auto stopCollecting = [&](std::size_t at) {
        if (collecting)
            runs.back().end = at;
        collecting = false;
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ':' && !mainValue && !params) {
            mainValue = true;
            continue;
        } else if (!quoted && c == ';' && (mainValue || params)) {
            params = true;
            stopCollecting(i);
            accumulated.clear();
            continue;
        } else if (!quoted && c == '=' && params) {
            stopCollecting(i);
            if (UpperAscii(TrimSpaces(accumulated)) == wanted) {
                collecting = true;
                runs.push_back({i + 1, s.size()});
            }
            accumulated.clear();
            continue;
        }
        if (!collecting && params)
            accumulated += c;
    }
    return runs;
}

// The next ';' outside quotes from `from` on; the end when there is none.
std::size_t NextSemicolon(std::string_view s, std::size_t from)
{
    bool quoted = false;
    for (std::size_t i = from; i < s.size(); ++i) {
        if (s[i] == '"')
            quoted = !quoted;
        else if (s[i] == ';' && !quoted)
            return i;
    }
    return s.size();
}

}  // namespace

std::string TrimSpaces(std::string_view s)
{
    std::size_t first = 0;
    while (first < s.size() && IsBlank(s[first]))
        ++first;
    if (first == s.size())
        return {};
    std::size_t last = s.size();
    while (last > first && s[last - 1] == ' ')
        --last;
    return std::string(s.substr(first, last - first));
}

std::string TrimLeftSpaces(std::string_view s)
{
    std::size_t first = 0;
    while (first < s.size() && IsBlank(s[first]))
        ++first;
    return std::string(s.substr(first));
}

std::string TrimRightSpaces(std::string_view s)
{
    std::size_t last = s.size();
    while (last > 0 && IsBlank(s[last - 1]))
        --last;
    return std::string(s.substr(0, last));
}

std::string PadLeft(std::string_view s, std::size_t width, std::string_view fill)
{
    std::string text = TrimLeftSpaces(s);
    if (text.size() > width)
        return text.substr(text.size() - width);
    while (text.size() < width && !fill.empty())
        text.insert(0, fill);
    return text;
}

std::string UpperAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = UpperAsciiChar(c);
    return out;
}

std::string LowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = LowerAsciiChar(c);
    return out;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (UpperAsciiChar(text[i]) != UpperAsciiChar(prefix[i]))
            return false;
    return true;
}

std::string ReadLine(std::string_view text, long long& position)
{
    if (position < 1 || static_cast<unsigned long long>(position) > text.size()) {
        position = -1;
        return {};
    }
    const auto start = static_cast<std::size_t>(position - 1);
    const auto crlf = text.find("\r\n", start);
    const std::size_t end = crlf == std::string_view::npos ? text.size() : crlf + 2;
    position = end >= text.size() ? -1 : static_cast<long long>(end + 1);
    return std::string(text.substr(start, end - start));
}

int FindHeaderLine(const TLineList* headers, std::string_view prefix, int n)
{
    if (!headers)
        return -1;
    int seen = 0;
    for (std::size_t i = 0; i < headers->Count(); ++i) {
        if (StartsWithIgnoringCase((*headers)[i], prefix) && seen++ == n)
            return static_cast<int>(i);
    }
    return -1;
}

std::string NormalizeHeaderLine(std::string_view line)
{
    std::string name, value, quotedRun;
    bool inName = true, quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inName) {
            if (c == ':') {
                name += c;
                inName = false;
            } else if (name.empty() || name.back() == '-') {
                name += UpperAsciiChar(c);
            } else if ((c == 'd' || c == 'D') && name.size() >= 2 && name.compare(name.size() - 2, 2, "-I") == 0 &&
                       i + 1 < line.size() && line[i + 1] == ':') {
                name += 'D';
            } else {
                name += LowerAsciiChar(c);
            }
        } else if (quoted) {
            if (c == '"') {
                value += quotedRun;
                value += c;
                quoted = false;
            } else {
                quotedRun += c;
            }
        } else if (c == '"') {
            quoted = true;
            quotedRun.assign(1, c);
        } else if (c == ' ') {
            while (!value.empty() && IsBlank(value.back()))
                value.pop_back();
            value += ' ';
        } else {
            value += c;
        }
    }
    return TrimSpaces(name) + " " + TrimSpaces(value);
}

std::string ExtractHeaderValue(std::string_view line)
{
    std::string out;
    bool quoted = false, started = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (!started) {
            started = c == ':' && !quoted;
            continue;
        }
        if (c == ';' && !quoted)
            break;
        out += c;
    }
    return DropOuterQuotes(TrimSpaces(out));
}

std::string ReplaceHeaderValue(std::string_view line, std::string_view value)
{
    bool quoted = false;
    std::size_t valueStart = std::string_view::npos, valueEnd = line.size();
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ':' && valueStart == std::string_view::npos) {
            valueStart = i + 1;
        } else if (!quoted && c == ';' && valueStart != std::string_view::npos) {
            valueEnd = i;
            break;
        }
    }
    if (valueStart == std::string_view::npos)
        return std::string(line);
    return std::string(line.substr(0, valueStart)) + " " + TrimSpaces(value) + std::string(line.substr(valueEnd));
}

std::string ExtractHeaderParam(std::string_view line, std::string_view name)
{
    const std::string s = WithClosingSemicolon(line);
    std::string result;
    for (const Span& run : CollectedRuns(s, name))
        result.append(s, run.start, run.end - run.start);
    return DropOuterQuotes(TrimSpaces(result));
}

std::string ReplaceHeaderParam(std::string_view line, std::string_view name, std::string_view value)
{
    std::string s = WithClosingSemicolon(line);
    const std::vector<Span> runs = CollectedRuns(s, name);
    const std::size_t end = runs.empty() ? 0 : NextSemicolon(s, runs.front().start);
    s.pop_back();
    if (runs.empty())
        return TrimSpaces(s) + "; " + TrimSpaces(name) + "=" + TrimSpaces(value);
    const std::size_t start = runs.front().start;
    return s.substr(0, start) + TrimSpaces(value) + s.substr(std::min(end, s.size()));
}

std::string MakeBoundary()
{
    // One generator per thread: pages are composed off the window's thread too.
    thread_local std::mt19937 random(static_cast<std::uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ std::random_device{}()));
    char digits[9];
    std::snprintf(digits, sizeof digits, "%8.8X", static_cast<unsigned>(random()));
    return std::string("boundary") + digits;
}

}  // namespace vellumine

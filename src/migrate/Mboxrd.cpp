#include "migrate/Mboxrd.h"

#include <ctime>

#include "platform/Ascii.h"
#include "platform/DateTime.h"

namespace vellumine {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// Whether the line (from its start) reads ">*From ".
bool NeedsQuoting(std::string_view text, std::size_t at)
{
    while (at < text.size() && text[at] == '>')
        ++at;
    return text.substr(at, 5) == "From ";
}

bool IsAddressChar(char c)
{
    return c > ' ' && c != '<' && c != '>' && c != '"' && c != ',' && c != ';' && c != '(' && c != ')';
}

// The header's "From:" value with its folded lines joined; empty if none.
std::string FromField(std::string_view source)
{
    std::size_t at = 0;
    while (at < source.size()) {
        std::size_t end = source.find('\n', at);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view line = source.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            return {};  // the end of the header
        if (StartsWithIgnoringAsciiCase(line, 0, "from:")) {
            std::string value(line.substr(5));
            for (at = end + 1; at < source.size() && (source[at] == ' ' || source[at] == '\t');) {
                std::size_t next = source.find('\n', at);
                if (next == std::string_view::npos)
                    next = source.size();
                value += ' ';
                value.append(source.substr(at, next - at));
                at = next + 1;
            }
            return value;
        }
        at = end + 1;
    }
    return {};
}

}  // namespace

std::string EnvelopeSender(std::string_view source)
{
    const std::string field = FromField(source);
    const std::size_t open = field.find('<');
    const std::size_t close = open == std::string::npos ? open : field.find('>', open);
    if (close != std::string::npos) {
        const std::string inside = field.substr(open + 1, close - open - 1);
        bool plain = inside.find('@') != std::string::npos;
        for (const char c : inside)
            plain = plain && IsAddressChar(c);
        if (plain)
            return inside;
    }
    for (std::size_t at = 0; at < field.size();) {
        while (at < field.size() && !IsAddressChar(field[at]))
            ++at;
        std::size_t end = at;
        while (end < field.size() && IsAddressChar(field[end]))
            ++end;
        const std::string word = field.substr(at, end - at);
        if (word.find('@') != std::string::npos && word.front() != '@' && word.back() != '@')
            return word;
        at = end;
    }
    return "MAILER-DAEMON";
}

std::string AsctimeOf(std::uint64_t fileTime)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds =
        fileTime > kUnixEpochAsFileTime ? static_cast<std::time_t>((fileTime - kUnixEpochAsFileTime) / 10'000'000) : 0;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", kDays[utc.tm_wday % 7], kMonths[utc.tm_mon % 12],
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, utc.tm_year + 1900);
    return text;
}

std::string MboxrdEntry(std::string_view source, std::uint64_t fileTime)
{
    const std::size_t firstBreak = source.find('\n');
    const char* eol = firstBreak != std::string_view::npos && firstBreak > 0 && source[firstBreak - 1] == '\r'
                          ? "\r\n"
                          : "\n";
    std::string entry = "From " + EnvelopeSender(source) + " " + AsctimeOf(fileTime) + eol;
    entry.reserve(entry.size() + source.size() + source.size() / 64 + 4);
    for (std::size_t at = 0; at < source.size();) {
        std::size_t end = source.find('\n', at);
        end = end == std::string_view::npos ? source.size() : end + 1;
        if (NeedsQuoting(source, at))
            entry += '>';
        entry.append(source.substr(at, end - at));
        at = end;
    }
    entry += eol;  // the blank line, or the break the last line lacked
    return entry;
}

void MboxrdReader::Feed(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            FPartialLine.append(text);
            return;
        }
        if (FPartialLine.empty()) {
            Line(text.substr(0, end + 1));
        } else {
            FPartialLine.append(text.substr(0, end + 1));
            Line(FPartialLine);
            FPartialLine.clear();
        }
        text.remove_prefix(end + 1);
    }
}

void MboxrdReader::Finish()
{
    if (!FPartialLine.empty()) {
        Line(FPartialLine);
        FPartialLine.clear();
    }
    EndMessage();
}

void MboxrdReader::Line(std::string_view line)
{
    if (IsMboxSeparator(line)) {
        EndMessage();
        FInMessage = true;
        FSeparatorBreak = line.size() >= 2 && line[line.size() - 2] == '\r' ? "\r\n" : "\n";
        return;
    }
    if (!FInMessage)
        return;  // text before the first separator belongs to no message
    if (!line.empty() && line[0] == '>' && NeedsQuoting(line, 0))
        line.remove_prefix(1);
    FMessage.append(line);
}

void MboxrdReader::EndMessage()
{
    if (!FInMessage)
        return;
    const std::string_view end = FSeparatorBreak;
    if (FMessage.size() >= end.size() && std::string_view(FMessage).substr(FMessage.size() - end.size()) == end)
        FMessage.resize(FMessage.size() - end.size());
    FEach(FMessage);
    FMessage.clear();
    FInMessage = false;
}

}  // namespace vellumine

#include "migrate/Mboxrd.h"

#include <ctime>

#include "migrate/MessageTime.h"
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

std::string FromField(std::string_view source)
{
    return RawHeaderField(source, "from").value_or(std::string());
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

namespace {

// CR LF when the message's first line ends so, else LF.
const char* LineEndOf(std::string_view source)
{
    const std::size_t firstBreak = source.find('\n');
    return firstBreak != std::string_view::npos && firstBreak > 0 && source[firstBreak - 1] == '\r' ? "\r\n" : "\n";
}

// Whether the message has an empty line (the end of its header).
bool HasBlankLine(std::string_view source)
{
    return source.substr(0, 1) == "\n" || source.substr(0, 2) == "\r\n" ||
           source.find("\n\n") != std::string_view::npos || source.find("\n\r\n") != std::string_view::npos;
}

// A message whose last line has no break is written with one where readers
// need a blank line before the next separator: always for Thunderbird;
// elsewhere when the message is all header (mutt and Dovecot read a header
// on to its blank line) or ends in a lone CR (which the break after it
// would make a CR LF).
bool NeedsFinalBreak(std::string_view source, bool thunderbird)
{
    if (source.empty() || source.back() == '\n')
        return false;
    return thunderbird || source.back() == '\r' || !HasBlankLine(source);
}

const char kMozillaStatus[] = "X-Mozilla-Status: 0001";
const char kMozillaStatus2[] = "X-Mozilla-Status2: 00000000";

std::string Entry(std::string_view source, std::uint64_t fileTime, bool mozillaStatus)
{
    const char* eol = LineEndOf(source);
    std::string entry = "From " + EnvelopeSender(source) + " " + AsctimeOf(fileTime) + eol;
    if (mozillaStatus)
        entry = entry + kMozillaStatus + eol + kMozillaStatus2 + eol;
    entry.reserve(entry.size() + source.size() + source.size() / 64 + 4);
    for (std::size_t at = 0; at < source.size();) {
        std::size_t end = source.find('\n', at);
        end = end == std::string_view::npos ? source.size() : end + 1;
        if (NeedsQuoting(source, at))
            entry += '>';
        entry.append(source.substr(at, end - at));
        at = end;
    }
    if (NeedsFinalBreak(source, mozillaStatus))
        entry += eol;  // so that a blank line comes before the next separator
    entry += eol;      // the blank line, or the break the last line lacked
    return entry;
}

// The line at the start of `text` if it is `line` with a break after it.
bool StartsWithLine(std::string_view text, std::string_view line, std::string_view eol)
{
    return text.substr(0, line.size()) == line && text.substr(line.size(), eol.size()) == eol;
}

}  // namespace

std::string MboxrdEntry(std::string_view source, std::uint64_t fileTime)
{
    return Entry(source, fileTime, false);
}

std::string ThunderbirdEntry(std::string_view source, std::uint64_t fileTime)
{
    return Entry(source, fileTime, true);
}

std::string MboxHeldMessage(std::string_view source, bool thunderbird)
{
    std::string message(source);
    if (NeedsFinalBreak(source, thunderbird))
        message += LineEndOf(source);
    return message;
}

std::string_view WithoutMozillaStatus(std::string_view message)
{
    for (const std::string_view eol : {std::string_view("\r\n"), std::string_view("\n")}) {
        if (!StartsWithLine(message, kMozillaStatus, eol))
            continue;
        const std::string_view rest = message.substr(sizeof kMozillaStatus - 1 + eol.size());
        if (StartsWithLine(rest, kMozillaStatus2, eol))
            return rest.substr(sizeof kMozillaStatus2 - 1 + eol.size());
    }
    return message;
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
    const std::uint64_t at = FOffset;
    FOffset += line.size();
    if (IsMboxSeparator(line)) {
        FOffset = at;
        EndMessage();
        FOffset = at + line.size();
        FEntryStart = at;
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
    FEach(FMessage, FEntryStart, FOffset);
    FMessage.clear();
    FInMessage = false;
}

}  // namespace vellumine

#pragma once
// The mboxrd format: each message after a separator line
// "From <sender address> <asctime>", every line matching ^>*From  with one
// more ">", a blank line after each message; line endings as the message
// has them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vellumine {

// The address in the message's "From:" field (in angle brackets, or the
// first word with an "@"), or MAILER-DAEMON when there is none.
std::string EnvelopeSender(std::string_view source);

// "Wed Dec 24 13:05:06 2003" for a FILETIME, in UTC; the Unix epoch for a
// time before it.
std::string AsctimeOf(std::uint64_t fileTime);

// The message as it stands in the file: separator line, escaped lines and
// the blank line after it, with the message's own line ending (CR LF when
// its first line ends so, else LF). A message that does not end in a line
// break gets one instead of the blank line, so that reading gives back its
// bytes exactly (see MboxHeldMessage for the few that cannot).
std::string MboxrdEntry(std::string_view source, std::uint64_t fileTime);

// The same for Thunderbird's Local Folders: the status headers Thunderbird
// keeps at the top of each message go first ("X-Mozilla-Status: 0001",
// read, and "X-Mozilla-Status2: 00000000"), so that its reader, which takes
// "From " as a separator only before header lines, finds every message.
std::string ThunderbirdEntry(std::string_view source, std::uint64_t fileTime);

// A message as an mbox file holds it and gives it back: byte for byte,
// except that a last line without a line break gets one (the message's own)
// where readers need a blank line before the next separator: in
// Thunderbird's folders always, in mboxrd when the message is all header or
// ends in a lone CR.
std::string MboxHeldMessage(std::string_view source, bool thunderbird);

// The message without exactly those two lines at its top; as it is when
// they are not there.
std::string_view WithoutMozillaStatus(std::string_view message);

// Splits an mbox file's text as it arrives in pieces: every message is
// handed to `each` un-escaped, without its separator line and the line
// break that ends it. Feed the text in order, then call Finish.
class MboxrdReader {
public:
    // `entryStart` is the offset of the message's separator line in the
    // text fed, `entryEnd` the offset after its last line.
    using Each = std::function<void(std::string_view message, std::uint64_t entryStart, std::uint64_t entryEnd)>;
    explicit MboxrdReader(std::function<void(std::string_view message)> each)
        : FEach([each = std::move(each)](std::string_view m, std::uint64_t, std::uint64_t) { each(m); })
    {
    }
    explicit MboxrdReader(Each each) : FEach(std::move(each)) {}
    void Feed(std::string_view text);
    void Finish();

private:
    void Line(std::string_view line);  // with its line break
    void EndMessage();

    Each FEach;
    std::uint64_t FOffset = 0;      // of the line being handled
    std::uint64_t FEntryStart = 0;  // of the current message's separator
    std::string FPartialLine;
    std::string FMessage;
    std::string FSeparatorBreak;  // "\r\n" or "\n", as the separator line ended
    bool FInMessage = false;
};

// True when the line (without its break) is a separator: "From " at its start.
inline bool IsMboxSeparator(std::string_view line)
{
    return line.substr(0, 5) == "From ";
}

}  // namespace vellumine

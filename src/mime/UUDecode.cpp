#include "mime/UUDecode.h"

#include "mime/LineWalker.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

// -1 for a character outside the alphabet.
int UUValue(char c)
{
    if (c == '`' || c == ' ')
        return 0;
    if (c >= '!' && c <= '_')
        return c - 32;
    return -1;
}

}  // namespace

int UUDecodeChar(char c)
{
    const int value = UUValue(c);
    if (value < 0)
        throw Error("UUCODE message format error");
    return value;
}

std::size_t UUDecodeLine(std::string_view line, std::string& out)
{
    if (line.empty())
        return 0;
    const int count = UUValue(line[0]);
    if (count <= 0)
        return 0;
    // Every data character must belong to the alphabet, else the line is
    // lost; a full line (45 bytes) has 60 of them, whatever follows.
    std::string_view data = line.substr(1);
    if (count == 45 && data.size() > 60)
        data = data.substr(0, 60);
    for (const char c : data)
        if (UUValue(c) < 0)
            return 0;
    const auto valueAt = [&](std::size_t i) { return i < data.size() ? UUValue(data[i]) : 0; };
    const auto wanted = static_cast<std::size_t>(count);
    for (std::size_t produced = 0, group = 0; produced < wanted; ++group) {
        const unsigned v = (static_cast<unsigned>(valueAt(4 * group)) << 18) |
                           (static_cast<unsigned>(valueAt(4 * group + 1)) << 12) |
                           (static_cast<unsigned>(valueAt(4 * group + 2)) << 6) |
                           static_cast<unsigned>(valueAt(4 * group + 3));
        for (int shift = 16; shift >= 0 && produced < wanted; shift -= 8, ++produced)
            out += static_cast<char>((v >> shift) & 0xFF);
    }
    return wanted;
}

std::string UUDecodeText(std::string_view block)
{
    std::string out;
    LineWalker lines(block);
    while (lines.Next())
        if (!lines.Line().empty())
            UUDecodeLine(lines.Line(), out);
    return out;
}

}  // namespace vellumine

#include "platform/TerminalText.h"

#include "platform/Charset.h"

namespace vellumine {
namespace {

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

std::string TerminalText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8At(text, at, codePoint);
        if (length == 0) {
            // A stray byte: 0x80 to 0x9F is a control on an 8-bit terminal.
            const auto byte = static_cast<unsigned char>(text[at]);
            shown += IsControl(byte) ? '?' : text[at];
            ++at;
            continue;
        }
        if (IsControl(codePoint))
            shown += '?';
        else
            shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}

}  // namespace vellumine

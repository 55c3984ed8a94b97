#include "platform/CharsetConversion.h"

#include <cerrno>
#include <iconv.h>

#include "platform/Ascii.h"
#include "platform/Charset.h"

namespace vellumine {
namespace {

std::string LowerTrimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '"' || text.front() == '\''))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '"' || text.back() == '\''))
        text.remove_suffix(1);
    return LowerAsciiText(text);
}

bool IsWindows1252Label(const std::string& label)
{
    static const char* const kLabels[] = {"windows-1252", "cp1252",     "x-cp1252",   "iso-8859-1", "iso8859-1",
                                          "iso_8859-1",   "latin1",     "l1",         "iso-ir-100", "ibm819",
                                          "cp819",        "csisolatin1", "iso_8859-1:1987"};
    for (const char* known : kLabels)
        if (label == known)
            return true;
    return false;
}

bool IsAsciiLabel(const std::string& label)
{
    return label == "us-ascii" || label == "ascii" || label == "ansi_x3.4-1968" || label == "iso646-us";
}

bool IsAscii(std::string_view bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) > 127)
            return false;
    return true;
}

bool IsUtf8Label(const std::string& label)
{
    return label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8";
}

std::optional<std::string> ConvertWithIconv(std::string_view bytes, const std::string& charset)
{
    const iconv_t converter = ::iconv_open("UTF-8", charset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t written = 0;
    bool valid = true;
    while (valid) {
        char* outAt = out.data() + written;
        std::size_t outLeft = out.size() - written;
        const std::size_t result = ::iconv(converter, inLeft ? &in : nullptr, &inLeft, &outAt, &outLeft);
        written = static_cast<std::size_t>(outAt - out.data());
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            out.resize(out.size() * 2);
        else
            valid = false;  // EILSEQ, or EINVAL for a sequence cut off at the end
    }
    ::iconv_close(converter);
    if (!valid)
        return std::nullopt;
    out.resize(written);
    return out;
}

}  // namespace

std::optional<std::string> ConvertToUtf8(std::string_view bytes, std::string_view charset)
{
    const std::string label = LowerTrimmed(charset);
    if (label.empty())
        return std::nullopt;
    if (IsWindows1252Label(label))
        return Windows1252ToUtf8(bytes);
    if (IsAsciiLabel(label))
        return IsAscii(bytes) ? std::optional<std::string>(std::string(bytes)) : std::nullopt;
    if (IsUtf8Label(label))
        return IsValidUtf8(bytes) ? std::optional<std::string>(std::string(bytes)) : std::nullopt;
    return ConvertWithIconv(bytes, label);
}

std::string TextToUtf8(std::string_view bytes, std::string_view declaredCharset)
{
    if (!declaredCharset.empty()) {
        if (auto converted = ConvertToUtf8(bytes, declaredCharset))
            return std::move(*converted);
    }
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Windows1252ToUtf8(bytes);
}

}  // namespace vellumine

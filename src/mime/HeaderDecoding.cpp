#include "mime/HeaderDecoding.h"

#include <map>
#include <optional>

#include "mime/HeaderText.h"
#include "mime/MailPart.h"
#include "platform/Ascii.h"
#include "platform/CharsetConversion.h"

namespace vellumine {
namespace {

bool IsBlankOrBreak(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsAllBlank(std::string_view text)
{
    for (const char c : text)
        if (!IsBlankOrBreak(c))
            return false;
    return true;
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict base64 of an encoded word: alphabet characters, then at most two
// "=" at the end; none when anything else stands in it.
std::optional<std::string> DecodeWordBase64(std::string_view text)
{
    while (!text.empty() && text.back() == '=')
        text.remove_suffix(1);
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const int value = Base64Value(c);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

std::optional<std::string> DecodeWordQ(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            out += ' ';
        } else if (text[i] == '=') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexDigitValue(text[i + 1]), low = HexDigitValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct EncodedWord {
    std::size_t end = 0;  // past the closing "?="
    std::string charset;
    std::string bytes;
};

// The encoded word starting at `at` ("=?"), when it is well formed.
std::optional<EncodedWord> ParseEncodedWord(std::string_view raw, std::size_t at)
{
    const std::size_t charsetStart = at + 2;
    const std::size_t charsetEnd = raw.find('?', charsetStart);
    if (charsetEnd == std::string_view::npos || charsetEnd == charsetStart || charsetEnd + 2 >= raw.size() ||
        raw[charsetEnd + 2] != '?')
        return std::nullopt;
    const std::string_view charset = raw.substr(charsetStart, charsetEnd - charsetStart);
    for (const char c : charset)
        if (IsBlankOrBreak(c) || c == '=')
            return std::nullopt;
    const char encoding = raw[charsetEnd + 1];
    const std::size_t textStart = charsetEnd + 3;
    const std::size_t textEnd = raw.find("?=", textStart);
    if (textEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view text = raw.substr(textStart, textEnd - textStart);
    for (const char c : text)
        if (IsBlankOrBreak(c))
            return std::nullopt;
    std::optional<std::string> bytes;
    if (encoding == 'B' || encoding == 'b')
        bytes = DecodeWordBase64(text);
    else if (encoding == 'Q' || encoding == 'q')
        bytes = DecodeWordQ(text);
    if (!bytes)
        return std::nullopt;
    const std::size_t language = charset.find('*');
    return EncodedWord{textEnd + 2, std::string(charset.substr(0, language)), std::move(*bytes)};
}

// Collects the decoded bytes of adjacent words in one charset.
class DecodedText {
public:
    void AddPlain(std::string_view text)
    {
        Flush();
        FOut += TextToUtf8(text);
    }
    void AddWord(EncodedWord word)
    {
        if (!FRunCharset.empty() && LowerAscii(FRunCharset) != LowerAscii(word.charset))
            Flush();
        FRunCharset = std::move(word.charset);
        FRun += word.bytes;
    }
    std::string Finish()
    {
        Flush();
        return std::move(FOut);
    }

private:
    void Flush()
    {
        if (!FRunCharset.empty())
            FOut += TextToUtf8(FRun, FRunCharset);
        FRun.clear();
        FRunCharset.clear();
    }

    std::string FOut, FRun, FRunCharset;
};

// The parameters of a header line as (lower-case name, value) pairs, values
// unquoted.
std::multimap<std::string, std::string> Parameters(std::string_view line)
{
    std::multimap<std::string, std::string> params;
    std::size_t at = line.find(';');
    while (at != std::string_view::npos && at < line.size()) {
        ++at;
        while (at < line.size() && IsBlankOrBreak(line[at]))
            ++at;
        const std::size_t equals = line.find('=', at);
        const std::size_t semicolon = line.find(';', at);
        if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
            at = semicolon;
            continue;
        }
        std::string name = LowerAscii(TrimSpaces(line.substr(at, equals - at)));
        std::size_t valueAt = equals + 1;
        while (valueAt < line.size() && IsBlankOrBreak(line[valueAt]))
            ++valueAt;
        std::string value;
        if (valueAt < line.size() && line[valueAt] == '"') {
            std::size_t i = valueAt + 1;
            for (; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size())
                    ++i;
                value += line[i];
            }
            at = line.find(';', i);
        } else {
            const std::size_t end = line.find(';', valueAt);
            value = TrimSpaces(line.substr(valueAt, end == std::string_view::npos ? end : end - valueAt));
            at = end;
        }
        params.emplace(std::move(name), std::move(value));
    }
    return params;
}

// RFC 2231: "name*" alone, or the pieces "name*0", "name*1*", ... in order;
// the first extended piece carries charset'language'.
std::optional<std::string> ExtendedParameter(const std::multimap<std::string, std::string>& params,
                                             const std::string& name)
{
    if (const auto single = params.find(name + "*"); single != params.end()) {
        const std::string& value = single->second;
        const std::size_t first = value.find('\'');
        const std::size_t second = first == std::string::npos ? first : value.find('\'', first + 1);
        if (second == std::string::npos)
            return TextToUtf8(PercentDecode(value));
        return TextToUtf8(PercentDecode(value.substr(second + 1)), value.substr(0, first));
    }
    std::string bytes, charset;
    bool any = false;
    for (int piece = 0; piece < 1000; ++piece) {
        const std::string plainKey = name + "*" + std::to_string(piece);
        const auto extended = params.find(plainKey + "*");
        const auto plain = params.find(plainKey);
        if (extended == params.end() && plain == params.end())
            break;
        any = true;
        if (extended != params.end()) {
            std::string value = extended->second;
            if (piece == 0) {
                const std::size_t first = value.find('\'');
                const std::size_t second = first == std::string::npos ? first : value.find('\'', first + 1);
                if (second != std::string::npos) {
                    charset = value.substr(0, first);
                    value = value.substr(second + 1);
                }
            }
            bytes += PercentDecode(value);
        } else {
            bytes += plain->second;
        }
    }
    if (!any)
        return std::nullopt;
    return TextToUtf8(bytes, charset);
}

}  // namespace

std::string DecodeHeaderText(std::string_view raw)
{
    DecodedText decoded;
    std::size_t plainStart = 0;
    bool afterWord = false;
    std::size_t search = 0;
    while (true) {
        const std::size_t at = raw.find("=?", search);
        if (at == std::string_view::npos)
            break;
        auto word = ParseEncodedWord(raw, at);
        if (!word) {
            search = at + 2;
            continue;
        }
        const std::string_view between = raw.substr(plainStart, at - plainStart);
        if (!(afterWord && IsAllBlank(between)) && !between.empty())
            decoded.AddPlain(between);
        plainStart = search = word->end;
        decoded.AddWord(std::move(*word));
        afterWord = true;
    }
    decoded.AddPlain(raw.substr(plainStart));
    return decoded.Finish();
}

std::string DecodeParameterValue(std::string_view headerLine, std::string_view name)
{
    const auto params = Parameters(headerLine);
    const std::string key = LowerAscii(name);
    if (auto extended = ExtendedParameter(params, key))
        return std::move(*extended);
    const auto plain = params.find(key);
    return plain == params.end() ? std::string() : DecodeHeaderText(plain->second);
}

std::string AttachmentFileName(const TMailPart& part)
{
    for (const auto& [field, param] : {std::pair{"Content-Disposition:", "filename"}, std::pair{"Content-Type:", "name"}}) {
        const int index = FindHeaderLine(&part.Headers(), field, 0);
        if (index < 0)
            continue;
        std::string value = DecodeParameterValue(part.Headers()[static_cast<std::size_t>(index)], param);
        if (!value.empty())
            return value;
    }
    return {};
}

}  // namespace vellumine

#include "mime/AttachmentHint.h"

#include <string>

#include "platform/Ascii.h"

namespace vellumine {
namespace {

// The next line of `text` from `position` on, without its line break.
std::string_view NextLine(std::string_view text, std::size_t& position)
{
    const std::size_t start = position;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
        position = text.size();
        end = text.size();
    } else {
        position = end + 1;
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The value of a header field, "Content-Type: " and the blanks after it cut off.
std::string_view FieldValue(std::string_view field, std::size_t nameLength)
{
    std::string_view value = field.substr(nameLength);
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    return value;
}

// The top header's fields that decide, unfolded and lower-cased.
struct TopFields {
    std::string contentType;
    std::string disposition;
};

void Keep(TopFields& fields, std::string_view field)
{
    if (StartsWithNoCase(field, "content-type:"))
        fields.contentType = LowerAsciiText(FieldValue(field, 13));
    else if (StartsWithNoCase(field, "content-disposition:"))
        fields.disposition = LowerAsciiText(FieldValue(field, 20));
}

// Reads the header up to its blank line (or the prefix's end); `position`
// is then where the body begins.
TopFields ReadTopFields(std::string_view text, std::size_t& position)
{
    TopFields fields;
    std::string field;
    while (position < text.size()) {
        const std::string_view line = NextLine(text, position);
        if (line.empty())
            break;
        if (IsBlank(line.front()) && !field.empty()) {
            field += ' ';
            field += line.substr(1);
            continue;
        }
        Keep(fields, field);
        field.assign(line);
    }
    Keep(fields, field);
    return fields;
}

bool IsMediaType(std::string_view value, std::string_view type)
{
    return value.substr(0, value.find_first_of("; \t")) == type;
}

bool WholeMessageIsAFile(const TopFields& fields)
{
    if (fields.disposition.starts_with("attachment"))
        return true;
    if (fields.contentType.empty())
        return false;  // text/plain
    return !fields.contentType.starts_with("text/") && !fields.contentType.starts_with("multipart/") &&
           !fields.contentType.starts_with("message/");
}

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// "begin 644 name": the mode's three or four octal digits and a name.
bool IsUUBeginLine(std::string_view line)
{
    if (!line.starts_with("begin "))
        return false;
    std::size_t at = 6;
    std::size_t digits = 0;
    while (at < line.size() && IsOctalDigit(line[at])) {
        ++at;
        ++digits;
    }
    if (digits < 3 || digits > 4 || at >= line.size() || line[at] != ' ')
        return false;
    return line.find_first_not_of(" \t", at) != std::string_view::npos;
}

bool IsAttachmentPartHeader(std::string_view line)
{
    return StartsWithNoCase(line, "content-disposition:") &&
           StartsWithNoCase(FieldValue(line, 20), "attachment");
}

}  // namespace

bool LooksLikeItCarriesAttachments(std::string_view sourcePrefix)
{
    const std::string_view text = sourcePrefix.substr(0, kAttachmentHintBytes);
    std::size_t position = 0;
    const TopFields fields = ReadTopFields(text, position);
    if (IsMediaType(fields.contentType, "multipart/mixed") || WholeMessageIsAFile(fields))
        return true;
    while (position < text.size()) {
        const std::string_view line = NextLine(text, position);
        if (IsUUBeginLine(line) || IsAttachmentPartHeader(line))
            return true;
    }
    return false;
}

}  // namespace vellumine

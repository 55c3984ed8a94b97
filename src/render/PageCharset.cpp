#include "render/PageCharset.h"

#include "mime/HeaderText.h"
#include "mime/MailMessage.h"
#include "platform/Ascii.h"
#include "platform/CharsetConversion.h"

namespace vellumine {
namespace {

constexpr const char* kUtf8Declaration = "<meta charset=\"utf-8\">";

struct Tag {
    std::size_t start = 0;
    std::size_t end = 0;  // past ">"
};

// The next <meta ...> tag from `from` that mentions a charset.
std::optional<Tag> NextCharsetMeta(std::string_view html, std::size_t from)
{
    for (std::size_t at = FindIgnoringAsciiCase(html, "<meta", from); at != std::string_view::npos;
         at = FindIgnoringAsciiCase(html, "<meta", at + 5)) {
        const std::size_t close = html.find('>', at);
        if (close == std::string_view::npos)
            return std::nullopt;
        if (FindIgnoringAsciiCase(html.substr(at, close - at), "charset") != std::string_view::npos)
            return Tag{at, close + 1};
    }
    return std::nullopt;
}

std::string CharsetInTag(std::string_view tag)
{
    std::size_t at = FindIgnoringAsciiCase(tag, "charset");
    at += 7;
    while (at < tag.size() && (tag[at] == ' ' || tag[at] == '='))
        ++at;
    while (at < tag.size() && (tag[at] == '"' || tag[at] == '\''))
        ++at;
    std::size_t end = at;
    while (end < tag.size() && tag[end] != '"' && tag[end] != '\'' && tag[end] != ';' && tag[end] != ' ' &&
           tag[end] != '>' && tag[end] != '/')
        ++end;
    return std::string(tag.substr(at, end - at));
}

}  // namespace

std::string DeclaredHtmlCharset(std::string_view html)
{
    const auto tag = NextCharsetMeta(html, 0);
    return tag ? CharsetInTag(html.substr(tag->start, tag->end - tag->start)) : std::string();
}

std::string PartTextUtf8(TMailPart& part, bool html)
{
    part.DecodeBody();
    std::string charset = part.GetHeaderParam("Content-Type", "charset");
    if (charset.empty() && html)
        charset = DeclaredHtmlCharset(part.DecodedData());
    return TextToUtf8(part.DecodedData(), charset);
}

void BodyLinesToUtf8(TMailMessage& message)
{
    if (message.TextBodyPart)
        message.TextBodyLines.SetText(PartTextUtf8(*message.TextBodyPart, false));
    if (message.HtmlBodyPart)
        message.HtmlBodyLines.SetText(PartTextUtf8(*message.HtmlBodyPart, true));
}

void DeclareUtf8(TLineList& page)
{
    const std::string text = page.Text();
    std::string out;
    out.reserve(text.size() + 32);
    std::size_t copied = 0;
    for (auto tag = NextCharsetMeta(text, 0); tag; tag = NextCharsetMeta(text, tag->end)) {
        out.append(text, copied, tag->start - copied);
        copied = tag->end;
    }
    out.append(text, copied, std::string::npos);
    const std::size_t head = FindIgnoringAsciiCase(out, "<head");
    const std::size_t headEnd = head == std::string::npos ? head : out.find('>', head);
    const bool isHeadTag = headEnd != std::string::npos &&
                           (out[head + 5] == '>' || out[head + 5] == ' ' || out[head + 5] == '\t' ||
                            out[head + 5] == '\r' || out[head + 5] == '\n');
    if (isHeadTag)
        out.insert(headEnd + 1, kUtf8Declaration);
    else
        out.insert(0, std::string(kUtf8Declaration) + "\r\n");
    page.SetText(out);
}

}  // namespace vellumine

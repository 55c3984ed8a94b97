#include "render/ShownContent.h"

#include "mime/HeaderDecoding.h"
#include "mime/HeaderText.h"
#include "mime/MailMessage.h"
#include "platform/Ascii.h"
#include "render/AttachmentList.h"
#include "render/HeaderBlock.h"
#include "render/HtmlText.h"
#include "render/PageCharset.h"

namespace vellumine {
namespace {

constexpr const char* kEncryptedNotice = "Diese Nachricht ist verschlüsselt; ihr Inhalt kann nicht angezeigt werden.";
constexpr const char* kOpaqueSignedNotice =
    "Diese Nachricht ist signiert und ihr Text liegt in der Signatur; er kann nicht angezeigt werden.";
constexpr const char* kAttachedStart = "-------- Angehängte Nachricht --------";
constexpr const char* kAttachedEnd = "-------- Ende der angehängten Nachricht --------";

// The whole value of a header field (GetHeader stops at the first ";").
std::string FieldValue(const TMailPart& part, const std::string& name)
{
    const int index = FindHeaderLine(&part.Headers(), name + ":", 0);
    if (index < 0)
        return {};
    const std::string& line = part.Headers()[static_cast<std::size_t>(index)];
    return TrimSpaces(line.size() > name.size() + 1 ? line.substr(name.size() + 1) : std::string());
}

const char* NoticeOf(TShownKind kind)
{
    return kind == TShownKind::OpaqueSigned ? kOpaqueSignedNotice : kEncryptedNotice;
}

std::string PartText(TMailPart& part, bool html, bool toUtf8)
{
    part.DecodeBody();
    return toUtf8 ? PartTextUtf8(part, html) : std::string(part.DecodedData());
}

// The content of an HTML text's body element, or all of it when it has none.
std::string_view BodyContent(std::string_view html)
{
    const std::size_t body = FindIgnoringAsciiCase(html, "<body");
    const std::size_t open = body == std::string_view::npos ? body : html.find('>', body);
    if (open == std::string_view::npos)
        return html;
    const std::size_t close = FindIgnoringAsciiCase(html, "</body", open);
    return html.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
}

// A line of the plain text, ended as TLineList ends its lines.
void AppendLine(std::string& text, std::string_view line)
{
    text += line;
    text += "\r\n";
}

void AddLines(TLineList& page, std::string_view text)
{
    TLineList lines;
    lines.SetText(text);
    for (std::string& line : lines.Lines())
        page.Add(std::move(line));
}

// Plain text as TXT2HTML makes it HTML: each line escaped, with "<br>".
void AddTextLines(TLineList& page, std::string_view text)
{
    TLineList lines;
    lines.SetText(text);
    for (const std::string& line : lines.Lines())
        page.Add(HtmlEscape(line) + "<br>");
}

std::string HeaderRows(const HeaderFields& fields)
{
    std::string rows;
    const std::pair<const char*, const std::string*> entries[] = {
        {"Von:", &fields.sender}, {"An:", &fields.recipient}, {"Datum:", &fields.dateText}, {"Betreff:", &fields.subject}};
    for (const auto& [label, value] : entries)
        if (!value->empty())
            rows += std::string("<tr><td><b>") + label + "</b></td><td>" + HtmlEscape(*value) + "</td></tr>";
    return rows;
}

// The attached message's own page body: its body and its shown parts.
std::string AttachedMessageHtml(TMailMessage& attached, const AttachmentListing* listing)
{
    BodyLinesToUtf8(attached);
    TLineList& lines = attached.HtmlBodyLines;
    if (!lines.Empty()) {
        const std::string document = lines.Text();
        lines.Clear();
        AddLines(lines, BodyContent(document));
    } else {
        TXT2HTML(attached);
    }
    AppendShownPartsHtml(attached, listing);
    if (listing)
        AppendAttachmentListHtml(lines, *listing, &attached);
    return lines.Text();
}

constexpr const char* kRuleAbove = "border-top:1px solid #999;margin-top:1em;padding-top:.5em";

// A part after others is set off from them by a rule; the first thing on
// the page needs none.
std::string Separated(const char* element, const TLineList& page, const char* moreStyle = "")
{
    return std::string("<") + element + " style=\"" + (page.Empty() ? "" : kRuleAbove) + moreStyle + "\">";
}

void AppendShownPartHtml(TLineList& page, TShownPart& shown, const AttachmentListing* listing)
{
    switch (shown.kind) {
    case TShownKind::Text:
        page.Add(Separated("div", page));
        AddTextLines(page, PartTextUtf8(*shown.part, false));
        page.Add("</div>");
        break;
    case TShownKind::Html:
        page.Add(Separated("div", page));
        AddLines(page, BodyContent(PartTextUtf8(*shown.part, true)));
        page.Add("</div>");
        break;
    case TShownKind::Report:
        page.Add(Separated("pre", page, ";white-space:pre-wrap"));
        AddLines(page, HtmlEscape(PartTextUtf8(*shown.part, false)));
        page.Add("</pre>");
        break;
    case TShownKind::Encrypted:
    case TShownKind::OpaqueSigned:
        page.Add(std::string("<p><i>") + NoticeOf(shown.kind) + "</i></p>");
        break;
    case TShownKind::Message:
        page.Add("<div style=\"border:1px solid #999;margin:1em 0;padding:0 .6em .6em .6em\">");
        page.Add("<table>" + HeaderRows(AttachedHeaderFields(*shown.attached)) + "</table><hr>");
        AddLines(page, AttachedMessageHtml(*shown.attached, listing));
        page.Add("</div>");
        break;
    }
}

}  // namespace

HeaderFields AttachedHeaderFields(const TMailMessage& attached)
{
    return {DecodeHeaderText(FieldValue(attached, "From")), DecodeHeaderText(FieldValue(attached, "To")),
            DecodeHeaderText(FieldValue(attached, "Subject")), DecodeHeaderText(FieldValue(attached, "Date"))};
}

void AppendShownPartsHtml(TMailMessage& message, const AttachmentListing* listing)
{
    for (TShownPart& shown : message.ShownParts)
        AppendShownPartHtml(message.HtmlBodyLines, shown, listing);
}

std::string ComposeMessageText(TMailMessage& message, bool toUtf8)
{
    std::string text;
    if (message.TextBodyPart && message.IsPageBody(*message.TextBodyPart))
        AppendAsLines(text, PartText(*message.TextBodyPart, false, toUtf8));
    else if (message.HtmlBodyPart)
        AppendAsLines(text, HtmlToTextLines(PartText(*message.HtmlBodyPart, true, toUtf8)));
    for (TShownPart& shown : message.ShownParts) {
        if (!text.empty())
            text += "\r\n";  // a blank line between the parts
        switch (shown.kind) {
        case TShownKind::Text:
        case TShownKind::Report:
            AppendAsLines(text, PartText(*shown.part, false, toUtf8));
            break;
        case TShownKind::Html:
            AppendAsLines(text, HtmlToTextLines(PartText(*shown.part, true, toUtf8)));
            break;
        case TShownKind::Encrypted:
        case TShownKind::OpaqueSigned:
            AppendLine(text, NoticeOf(shown.kind));
            break;
        case TShownKind::Message: {
            const HeaderFields fields = AttachedHeaderFields(*shown.attached);
            AppendLine(text, kAttachedStart);
            AppendLine(text, "Von: " + fields.sender);
            AppendLine(text, "An: " + fields.recipient);
            AppendLine(text, "Datum: " + fields.dateText);
            AppendLine(text, "Betreff: " + fields.subject);
            AppendLine(text, "");
            text += ComposeMessageText(*shown.attached, toUtf8);
            AppendLine(text, kAttachedEnd);
            break;
        }
        }
    }
    return text;
}

}  // namespace vellumine

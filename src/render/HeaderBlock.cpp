#include "render/HeaderBlock.h"

#include "mime/HeaderDecoding.h"
#include "mime/MailMessage.h"
#include "platform/CharsetConversion.h"
#include "platform/FileAccess.h"
#include "render/HtmlText.h"
#include "render/PageCharset.h"

namespace vellumine {
namespace {

constexpr const char* kHeading = "%%UEBERSCHRIFT%%";
constexpr const char* kFooter = "%%UNTERSCHRIFT%%";
constexpr const char* kContent = "%%INHALT%%";

std::string Row(const char* label, const std::string& value)
{
    return std::string("<tr><td><b>") + label + "</b></td><td>" + HtmlEscape(value) + "</td></tr>";
}

// One line of plain text as HTML that keeps its indentation and its runs
// of blanks (tabs to the next multiple of eight columns); single blanks
// between words stay breakable.
std::string TextLineToHtml(std::string_view line)
{
    constexpr std::size_t kTabWidth = 8;
    std::string html;
    std::size_t column = 0;
    bool afterBlank = true;  // a blank at the line's start is kept too
    std::size_t wordStart = 0;
    const auto flushWord = [&](std::size_t end) {
        html += HtmlEscape(line.substr(wordStart, end - wordStart));
    };
    const auto blank = [&] {
        html += afterBlank ? "&nbsp;" : " ";
        afterBlank = true;
        ++column;
    };
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != ' ' && c != '\t') {
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                ++column;  // UTF-8 continuation bytes take no column
            afterBlank = false;
            continue;
        }
        flushWord(i);
        wordStart = i + 1;
        if (c == ' ') {
            blank();
            continue;
        }
        do
            blank();
        while (column % kTabWidth != 0);
    }
    flushWord(line.size());
    return html;
}

}  // namespace

void TXT2HTML(TMailMessage& message)
{
    for (const std::string& line : message.TextBodyLines.Lines())
        message.HtmlBodyLines.Add(TextLineToHtml(line) + "<br>");
}

std::string MakeHeaderBlock(const HeaderFields& fields, const PageDesign& design)
{
    if (!design.showFrom && !design.showTo && !design.showDate && !design.showSubject)
        return {};
    std::string block = "<table>";
    if (design.showFrom)
        block += Row("Von:", fields.sender);
    if (design.showTo)
        block += Row("An:", fields.recipient);
    if (design.showDate)
        block += Row("Datum:", fields.dateText);
    if (design.showSubject)
        block += Row("Betreff:", fields.subject);
    return block + "</table><hr><p>";
}

HeaderFields DisplayHeaderFields(const HeaderFields& fields)
{
    return {DecodeHeaderText(fields.sender), DecodeHeaderText(fields.recipient), DecodeHeaderText(fields.subject),
            DecodeHeaderText(fields.dateText)};
}

void AddHTMLHeader(TMailMessage& message, const HeaderFields& storedFields, const PageDesign& design)
{
    const HeaderFields fields = DisplayHeaderFields(storedFields);
    TLineList page;
    page.Add(kContent);
    if (!design.templatePath.empty()) {
        // Templates are kept in the charset they declare (windows-1252).
        if (const auto templateText = ReadFileBytes(design.templatePath))
            page.SetText(TextToUtf8(*templateText, DeclaredHtmlCharset(*templateText)));
    }
    const std::string block = MakeHeaderBlock(fields, design);
    if (!block.empty())
        message.HtmlBodyLines.Insert(0, block);

    const std::string heading = fields.subject.empty() ? "eMail-Nachricht" : HtmlEscape(fields.subject);
    const std::string footer = HtmlEscape(fields.subject + " von " + fields.sender + " an " + fields.recipient +
                                          " vom " + fields.dateText);
    const std::size_t count = page.Count();
    for (std::size_t i = 0; i < count; ++i) {
        if (page[i] == kHeading)
            page[i] = heading;
        if (page[i] == kFooter)
            page[i] = footer;
        if (page[i] == kContent)
            page[i] = message.HtmlBodyLines.Text();
    }
    message.HtmlBodyLines.SetText(page.Text());
}

}  // namespace vellumine

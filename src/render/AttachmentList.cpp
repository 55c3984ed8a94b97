#include "render/AttachmentList.h"

#include <cstdio>

#include "render/HtmlText.h"

namespace vellumine {
namespace {

std::string WithThousands(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            grouped += '.';
        grouped += digits[at];
    }
    return grouped;
}

std::string EntryDescription(const TAttachment& entry)
{
    return entry.contentType + ", " + GermanByteSize(entry.size);
}

}  // namespace

std::string GermanByteSize(std::uint64_t bytes)
{
    if (bytes < 1024)
        return WithThousands(bytes) + (bytes == 1 ? " Byte" : " Bytes");
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (value < 99.95) {
        std::snprintf(text, sizeof text, "%.1f", value);
        for (char& c : text)
            if (c == '.')
                c = ',';
        return std::string(text) + " " + units[unit];
    }
    return WithThousands(static_cast<std::uint64_t>(value + 0.5)) + " " + units[unit];
}

std::string PreviewAttachmentHref(const TAttachment& attachment)
{
    return std::string(kAttachmentLinkScheme) + ":" + std::to_string(attachment.number);
}

std::size_t AttachmentNumberOfHref(const std::string& href)
{
    const std::string prefix = std::string(kAttachmentLinkScheme) + ":";
    if (href.compare(0, prefix.size(), prefix) != 0 || href.size() == prefix.size() || href.size() > prefix.size() + 9)
        return 0;
    std::size_t number = 0;
    for (std::size_t at = prefix.size(); at < href.size(); ++at) {
        if (href[at] < '0' || href[at] > '9')
            return 0;
        number = number * 10 + static_cast<std::size_t>(href[at] - '0');
    }
    return number;
}

std::string RelativeFileHref(const std::string& relativePath)
{
    static const char* hex = "0123456789ABCDEF";
    std::string href;
    for (const char c : relativePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '_' || byte == '.' || byte == '~' || byte == '/';
        if (plain) {
            href += c;
        } else {
            href += '%';
            href += hex[byte >> 4];
            href += hex[byte & 15];
        }
    }
    // A leading piece with a ":" could read as a scheme; "./" keeps it a path.
    return href.find(':') == std::string::npos && href.compare(0, 1, "/") != 0 ? href : "./" + href;
}

void AppendAttachmentListHtml(TLineList& page, const AttachmentListing& listing, const TMailMessage* owner)
{
    std::string items;
    for (const TAttachment& entry : listing.entries) {
        if (entry.owner != owner)
            continue;
        const std::string href = listing.href ? listing.href(entry) : std::string();
        const std::string name = HtmlEscape(entry.fileName);
        items += "<li>";
        items += href.empty() ? name : "<a href=\"" + HtmlEscape(href) + "\">" + name + "</a>";
        items += " <span style=\"color:#666\">(" + HtmlEscape(EntryDescription(entry)) + ")</span></li>";
    }
    if (items.empty())
        return;
    page.Add("<div class=\"vellumine-anlagen\" style=\"border-top:1px solid #999;margin-top:1em;padding-top:.3em\">");
    page.Add("<b>Anlagen</b><ul style=\"margin:.2em 0\">" + items + "</ul></div>");
}

std::string AttachmentListText(const std::vector<TAttachment>& entries)
{
    if (entries.empty())
        return {};
    std::string text = "Anlagen:\r\n";
    for (const TAttachment& entry : entries)
        text += "  " + entry.fileName + " (" + EntryDescription(entry) + ")\r\n";
    return text;
}

}  // namespace vellumine

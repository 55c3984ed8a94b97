#pragma once
// The page's list "Anlagen": after a message's text (and inside the block
// of each attached message, for its own files) one line per attachment
// with its name, type and size. In an exported page each name links to the
// file saved beside the page, in the preview to the program itself, in
// print to nothing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mime/LineList.h"
#include "mime/MessageAttachments.h"

namespace vellumine {

// "0 Bytes", "1 Byte", "850 Bytes", "12,5 KB", "1,2 MB", "512 KB": steps of
// 1024, one decimal place below 100 of a unit.
std::string GermanByteSize(std::uint64_t bytes);

// The address an entry links to; an empty one leaves the name without a link.
using AttachmentHref = std::function<std::string(const TAttachment& attachment)>;

// The preview's links, "anlage:N" with the entry's number: the window
// catches them (the page itself never navigates).
inline constexpr const char* kAttachmentLinkScheme = "anlage";
std::string PreviewAttachmentHref(const TAttachment& attachment);
// The entry a preview link names; 0 for any other address.
std::size_t AttachmentNumberOfHref(const std::string& href);

// A relative file address: each path piece percent-encoded ("Anlagen
// März/a#1.pdf" as "Anlagen%20M%C3%A4rz/a%231.pdf").
std::string RelativeFileHref(const std::string& relativePath);

struct AttachmentListing {
    std::vector<TAttachment> entries;
    AttachmentHref href;  // empty: no links
};

// Appends the block for the entries that belong to `owner`; nothing when
// there are none.
void AppendAttachmentListHtml(TLineList& page, const AttachmentListing& listing, const TMailMessage* owner);

// The list as the text export ends with it: "Anlagen:" and one line per
// entry ("  Rechnung.pdf (application/pdf, 1,2 MB)"), lines ending in CR LF;
// empty without entries.
std::string AttachmentListText(const std::vector<TAttachment>& entries);

}  // namespace vellumine

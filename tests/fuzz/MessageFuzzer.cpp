// A message source as input: parsed, searched for its bodies, and every
// part decoded; the list's guess at its attachments too.

#include <string>

#include "mime/AttachmentHint.h"
#include "mime/MailMessage.h"

using namespace vellumine;

namespace {

void DecodeAll(TMailPart& part)
{
    part.DecodeBody();
    for (const auto& child : part.SubParts())
        DecodeAll(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string source(reinterpret_cast<const char*>(data), size);
    (void)LooksLikeItCarriesAttachments(source);
    TMailMessage message;
    message.ParseString(source);
    message.IndexParts();
    DecodeAll(message);
    message.IndexParts();
    (void)message.TextBodyLines.Text();
    (void)message.HtmlBodyLines.Text();
    return 0;
}

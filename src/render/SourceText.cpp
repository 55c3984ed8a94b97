#include "render/SourceText.h"

#include "mime/MailMessage.h"
#include "platform/CharsetConversion.h"
#include "render/MessagePage.h"

namespace vellumine {

std::string SourceTextForDisplay(const std::string& source)
{
    // Only the header is needed for the charset; the cut keeps a huge
    // message from being parsed whole for it.
    std::size_t headerEnd = source.find("\r\n\r\n");
    if (headerEnd == std::string::npos)
        headerEnd = source.find("\n\n");
    const std::string header = source.substr(0, headerEnd == std::string::npos ? source.size() : headerEnd + 2);
    const auto message = ParseMessageSource(header + "\r\n");
    return TextToUtf8(source, message->GetHeaderParam("Content-Type", "charset"));
}

}  // namespace vellumine

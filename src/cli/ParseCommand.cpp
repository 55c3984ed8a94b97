#include "cli/ParseCommand.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "platform/Sha256.h"
#include "mime/HeaderDecoding.h"
#include "mime/MailMessage.h"
#include "platform/Charset.h"
#include "platform/Error.h"

namespace vellumine::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string ReadInput(const std::string& file)
{
    if (file == "-") {
        std::cin >> std::noskipws;
        return std::string((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw FileOpenError(file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Json BodyJson(const TLineList& lines)
{
    if (lines.Empty())
        return nullptr;
    const std::string text = lines.Text();
    return Json{{"lines", lines.Count()}, {"bytes", text.size()}, {"sha256", Sha256Hex(text)}};
}

// Header values are 8-bit text; JSON strings are UTF-8.
std::string JsonSafe(const std::string& bytes)
{
    return Windows1252ToUtf8(bytes);
}

Json TreeJson(const TMailPart& part)
{
    Json children = Json::array();
    for (const auto& child : part.SubParts())
        children.push_back(TreeJson(*child));
    return Json{{"contentType", JsonSafe(part.LowerContentType())}, {"children", children}};
}

}  // namespace

void ParseMessage(const std::string& file, const std::string& body, std::ostream& out)
{
    const std::string source = ReadInput(file);
    TMailMessage message;
    message.ParseString(source);
    message.IndexParts();
    if (body == "text" || body == "html") {
        const std::string text = (body == "text" ? message.TextBodyLines : message.HtmlBodyLines).Text();
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return;
    }
    Json attachments = Json::array();
    for (TMailPart* part : message.AttachmentParts) {
        part->DecodeBody();
        attachments.push_back(Json{{"contentType", JsonSafe(part->LowerContentType())},
                                   {"contentId", JsonSafe(part->GetHeader("Content-ID"))},
                                   {"fileName", AttachmentFileName(*part)},
                                   {"embedded", part->Embedded()},
                                   {"size", part->DecodedData().size()},
                                   {"sha256", Sha256Hex(part->DecodedData())}});
    }
    const Json result{{"textBody", BodyJson(message.TextBodyLines)},
                      {"htmlBody", BodyJson(message.HtmlBodyLines)},
                      {"attachments", attachments},
                      {"tree", TreeJson(message)}};
    out << result.dump(2) << '\n';
}

}  // namespace vellumine::cli

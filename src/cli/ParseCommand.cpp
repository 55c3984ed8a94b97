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
#include "platform/FileText.h"
#include "render/MessagePage.h"
#include "render/ShownContent.h"

namespace vellumine::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string ReadStream(std::istream& in)
{
    in >> std::noskipws;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Standard input read whole, or the file: a regular one as a whole (a
// large one mapped, not copied), anything else (a pipe) as a stream.
std::shared_ptr<const FileText> ReadInput(const std::string& file)
{
    if (file == "-")
        return FileText::Hold(ReadStream(std::cin));
    if (auto input = FileText::Read(file))
        return input;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw FileOpenError(file);
    return FileText::Hold(ReadStream(in));
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

const char* KindName(TShownKind kind)
{
    switch (kind) {
    case TShownKind::Text: return "text";
    case TShownKind::Html: return "html";
    case TShownKind::Report: return "report";
    case TShownKind::Message: return "message";
    case TShownKind::Encrypted: return "encrypted";
    case TShownKind::OpaqueSigned: return "opaque-signed";
    }
    return "";
}

// What the page shows after the body; an attached message with its own.
Json ShownJson(const TMailMessage& message)
{
    Json shown = Json::array();
    for (const TShownPart& part : message.ShownParts) {
        Json entry{{"kind", KindName(part.kind)}, {"contentType", JsonSafe(part.part->LowerContentType())}};
        if (part.attached)
            entry["shown"] = ShownJson(*part.attached);
        shown.push_back(entry);
    }
    return shown;
}

void Write(std::ostream& out, const std::string& text)
{
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

void ParseMessage(const std::string& file, const std::string& body, std::ostream& out)
{
    const auto input = ReadInput(file);
    // What came of a file that changed while it was read is not its content.
    const auto finish = [&](const std::string& text) {
        if (!input->Intact())
            throw Error(FormatMessage("Datei %s wurde beim Lesen verändert", file));
        Write(out, text);
    };
    if (body == "page") {
        PageDesign design;
        finish(ComposePreviewPage(std::string(input->Text()), {}, false, design).text);
        return;
    }
    TMailMessage message;
    message.ParseFile(input);
    message.IndexParts();
    if (body == "text" || body == "html") {
        finish((body == "text" ? message.TextBodyLines : message.HtmlBodyLines).Text());
        return;
    }
    if (body == "plain") {
        finish(ComposeMessageText(message, true));
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
                      {"shown", ShownJson(message)},
                      {"tree", TreeJson(message)}};
    finish(result.dump(2) + '\n');
}

}  // namespace vellumine::cli

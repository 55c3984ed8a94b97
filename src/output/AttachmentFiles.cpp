#include "output/AttachmentFiles.h"

#include <cstring>

#include "mime/MailPart.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

constexpr std::size_t kMaxKeptExtensionBytes = 16;

// Where to cut `text` to at most `bytes` without splitting a character.
std::size_t CharacterBoundary(std::string_view text, std::size_t bytes)
{
    if (bytes >= text.size())
        return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

std::string FitFileName(const std::string& name)
{
    if (name.size() <= kMaxFileNameBytes)
        return name;
    const auto dot = name.rfind('.');
    const std::size_t extensionBytes =
        dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxKeptExtensionBytes ? name.size() - dot : 0;
    const std::string base = name.substr(0, name.size() - extensionBytes);
    return base.substr(0, CharacterBoundary(base, kMaxFileNameBytes - extensionBytes)) +
           name.substr(name.size() - extensionBytes);
}

}  // namespace

std::string SafeAttachmentFileName(std::string_view name)
{
    std::string safe = CleanAttachmentName(name);
    for (char& c : safe)
        if (c != '\0' && std::strchr(":*?\"<>|", c))
            c = '_';
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' '))
        safe.pop_back();
    if (!safe.empty() && safe.front() == '.')
        safe.front() = '_';
    return safe.empty() ? "Anlage" : FitFileName(safe);
}

BytePieces AttachmentBytes(const TAttachment& attachment)
{
    TMailPart* part = attachment.part;
    return [part](const PieceSink& sink) { part->ForEachDecodedPiece(sink); };
}

CreatedFile WriteAttachmentFile(const TAttachment& attachment, const std::string& folder, UniqueFileNamer& names)
{
    const auto [base, extension] = SplitFileName(SafeAttachmentFileName(attachment.fileName));
    return names.CreateFromPieces(folder, base, extension, AttachmentBytes(attachment));
}

std::vector<CreatedFile> WriteAttachmentFiles(const std::vector<TAttachment>& attachments, const std::string& folder,
                                              UniqueFileNamer& names)
{
    std::vector<CreatedFile> files;
    files.reserve(attachments.size());
    for (const TAttachment& attachment : attachments)
        files.push_back(WriteAttachmentFile(attachment, folder, names));
    return files;
}

void WriteAttachmentTo(const TAttachment& attachment, const std::string& path)
{
    bool created = false;
    try {
        created = WriteNewFileFromPieces(path, AttachmentBytes(attachment));
    } catch (const Error&) {
        throw FileNotCreated("Die Datei \"" + path + "\" konnte nicht erstellt werden!");
    }
    if (!created)
        throw FileNotCreated("Die Datei \"" + path + "\" gibt es schon.");
}

}  // namespace vellumine

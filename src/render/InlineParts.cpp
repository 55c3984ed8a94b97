#include "render/InlineParts.h"

#include <cstdio>
#include <cstring>

#include "mime/MailMessage.h"
#include "platform/Ascii.h"
#include "platform/FileAccess.h"
#include "render/TempFiles.h"

namespace vellumine {
namespace {

constexpr std::size_t kMaxInlineNameBytes = 200;

bool IsUnsafeNameByte(unsigned char c)
{
    return c < 32 || c == 127 || std::strchr("/\\#?%:\"", c) != nullptr;
}

bool IsSafeFileName(const std::string& name)
{
    // A leading "." would hide the file and could name a shell's or a
    // program's settings file in the target folder.
    if (name.empty() || name.front() == '.' || name.size() > kMaxInlineNameBytes)
        return false;
    for (const char c : name)
        if (IsUnsafeNameByte(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::uint32_t Fnv1a(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

std::string SafeInlineFileName(const std::string& identifier)
{
    if (IsSafeFileName(identifier))
        return identifier;
    std::string name;
    for (const char c : identifier.substr(0, kMaxInlineNameBytes - 16))
        name += IsUnsafeNameByte(static_cast<unsigned char>(c)) ? '_' : c;
    char hash[16];
    std::snprintf(hash, sizeof hash, "_%08x", Fnv1a(identifier));
    return "cid_" + name + hash;
}

std::string WriteInlinePartReplacing(const std::string& folder, const std::string& fileName, std::string_view bytes)
{
    const std::string path = JoinPath(folder, fileName);
    WriteFileReplacing(path, bytes);
    return path;
}

InlineNameMap SaveInlineParts(TMailMessage& message, const std::string& folder, TTempFileList* record,
                              const InlinePartWriter& write)
{
    InlineNameMap renamed;
    // An attached message's HTML refers to its own images as the message's does.
    for (TMailPart* part : AttachmentPartsWithAttached(message)) {
        const std::string identifier = InlineIdentifier(part->GetHeader("Content-ID"));
        if (identifier.empty())
            continue;
        part->DecodeBody();
        const std::string path = write(folder, SafeInlineFileName(identifier), part->DecodedData());
        const std::string written = path.substr(path.find_last_of('/') + 1);
        // A later part of the same identifier wins, as it does when it
        // replaces the earlier file.
        if (written != identifier)
            renamed[identifier] = written;
        else
            renamed.erase(identifier);
        if (record)
            record->Add(path);
    }
    return renamed;
}

std::string ConvertCIDLine(std::string line, const InlineNameMap& renamed)
{
    // The double quote stays and the "cid:" after it goes (dropping one may
    // bring the next one up to the quote); a reference to a renamed part
    // gets the part's file name.
    std::string out;
    out.reserve(line.size());
    std::size_t copied = 0;
    const auto isRenamed = [&renamed](const std::string& identifier) { return renamed.count(identifier) != 0; };
    for (const TCidReference& reference : QuotedCidReferences(line)) {
        out.append(line, copied, reference.quote + 1 - copied);
        copied = reference.start;
        if (renamed.empty())
            continue;
        const std::string_view text = std::string_view(line).substr(reference.start, reference.end - reference.start);
        const auto safe = renamed.find(ReferencedIdentifier(text, isRenamed));
        if (safe != renamed.end()) {
            out += safe->second;
            copied = reference.end;
        }
    }
    out.append(line, copied, std::string::npos);
    for (std::size_t found = FindIgnoringAsciiCase(out, "<BASE"); found != std::string::npos;
         found = FindIgnoringAsciiCase(out, "<BASE", found + 1))
        out[found + 2] = 'B';
    return out;
}

std::string ConvertCIDText(const TLineList& lines, const InlineNameMap& renamed)
{
    std::string text;
    for (const std::string& line : lines.Lines()) {
        text += ConvertCIDLine(line, renamed);
        text += "\r\n";
    }
    return text;
}

void ConvertCIDSave(const TLineList& lines, const std::string& path, const InlineNameMap& renamed)
{
    WriteFileReplacing(path, ConvertCIDText(lines, renamed));
}

}  // namespace vellumine

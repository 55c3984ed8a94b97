#include "output/OutputFileName.h"

#include <cstring>

#include "mime/HeaderDecoding.h"
#include "platform/Charset.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

constexpr const char* kNoSubjectName = "Ohne Betreff";

// A name that starts or ends with blanks or dots is hard to type, hidden in
// listings (a leading dot) and cut short by some tools and file systems:
// " 24_12_2003.eml" from a message without a subject, or "bild .png". Dots
// alone before what follows stay: they are part of the name ("a..pdf").
std::string TrimmedOfBlanksAndDots(const std::string& text, bool endsTheName)
{
    const std::size_t first = text.find_first_not_of(" .");
    if (first == std::string::npos)
        return {};
    std::size_t end = text.find_last_not_of(" .") + 1;
    if (!endsTheName && text.find(' ', end) == std::string::npos)
        end = text.size();
    return text.substr(first, end - first);
}

}  // namespace

std::string MakeSafeFileName(std::string_view text)
{
    std::string name;
    name.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unsafe = byte < 32 || byte > 127 || std::strchr(":./\\?*\"<>", byte) != nullptr;
        name += unsafe ? '_' : c;
    }
    return name;
}

BaseName MakeBaseName(std::string_view subject, std::string_view dateText, bool withDate)
{
    // Encoded words are decoded first; each character then stands for one
    // byte of Windows-1252, so "Grüße" gives "Gr__e" whether the record holds
    // it as 8-bit text or as an encoded word.
    const std::string shown = Utf8ToWindows1252(DecodeHeaderText(subject));
    return {MakeSafeFileName(shown), withDate ? MakeSafeFileName(" " + std::string(dateText)) : std::string()};
}

std::string CandidateFileName(const BaseName& base, long number, std::string_view extension)
{
    const std::string suffix = number < 0 ? std::string() : "_" + std::to_string(number);
    const std::size_t fixed = base.datePart.size() + suffix.size() + base.markPart.size() + extension.size();
    std::string subject = base.subjectPart;
    if (fixed < kMaxFileNameBytes && subject.size() + fixed > kMaxFileNameBytes) {
        // Cut before a character, never inside one (attachment names keep UTF-8).
        std::size_t cut = kMaxFileNameBytes - fixed;
        while (cut > 0 && (static_cast<unsigned char>(subject[cut]) & 0xC0) == 0x80)
            --cut;
        subject.resize(cut);
    }
    const bool nothingFollows = suffix.empty() && base.markPart.empty() && extension.empty();
    std::string name = TrimmedOfBlanksAndDots(subject + base.datePart, nothingFollows);
    if (name.empty())
        name = kNoSubjectName;  // ".eml" alone would be a hidden file
    return name + suffix + base.markPart + std::string(extension);
}

CreatedFile UniqueFileNamer::Create(const std::string& folder, const BaseName& base, std::string_view extension,
                                    std::string_view bytes)
{
    return CreateFromPieces(folder, base, extension, [bytes](const PieceSink& sink) { sink(bytes); });
}

CreatedFile UniqueFileNamer::CreateFromPieces(const std::string& folder, const BaseName& base,
                                              std::string_view extension, const BytePieces& bytes)
{
    std::string key = folder;
    key.append(1, '\0').append(base.subjectPart).append(1, '\0').append(base.datePart).append(1, '\0').append(base.markPart);
    key.append(1, '\0').append(extension);
    long& next = FNextNumber.try_emplace(std::move(key), -1).first->second;
    for (long number = next;; ++number) {
        const std::string name = CandidateFileName(base, number, extension);
        const std::string path = JoinPath(folder, name);
        const std::string baseName = name.substr(0, name.size() - extension.size());
        try {
            if (WriteNewFileFromPieces(path, bytes)) {
                next = number + 1;
                return {path, baseName};
            }
        } catch (const Error&) {
            throw FileNotCreated("Die Datei \"" + JoinPath(folder, baseName) + "\" konnte nicht erstellt werden!");
        }
    }
}

CreatedFile CreateUniqueFile(const std::string& folder, const BaseName& base, std::string_view extension,
                             std::string_view bytes)
{
    return UniqueFileNamer().Create(folder, base, extension, bytes);
}

std::pair<BaseName, std::string> SplitFileName(std::string_view fileName)
{
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {BaseName{std::string(fileName), {}}, {}};
    return {BaseName{std::string(fileName.substr(0, dot)), {}}, std::string(fileName.substr(dot))};
}

}  // namespace vellumine

#pragma once
// File names of saved and exported messages: the subject (and the date
// text) filtered into a safe base name, made unique in the target folder by
// "_0", "_1", ... and kept within the length the file system allows.

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/BytePieces.h"
#include "platform/Error.h"

namespace vellumine {

// Every byte below 32 or above 127, and each of : . / \ ? * " < >, becomes "_".
std::string MakeSafeFileName(std::string_view text);

// The base name's two pieces: the filtered subject, and, with the date
// switch on, a blank and the filtered date text.
// A message that could be rescued only in part (its first bytes
// overwritten, or its tail lost) carries a mark at the end of its name.
struct BaseName {
    std::string subjectPart;
    std::string datePart;
    std::string markPart;  // "" or kIncompleteMark: after the "_n", before the extension
};

inline constexpr const char* kIncompleteMark = " (unvollständig)";

BaseName MakeBaseName(std::string_view subject, std::string_view dateText, bool withDate);

// Longest file name, in bytes, that the file systems take.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The file name for one attempt: base, "_n" when `number` is not negative,
// and the extension; the subject part cut at its end when the whole would
// be longer than kMaxFileNameBytes. The name never starts with blanks or
// dots, nor do subject and date end in blanks (with dots among them) or, at
// the very end of the name, in a dot; "Ohne Betreff" stands for a base that
// has nothing else.
std::string CandidateFileName(const BaseName& base, long number, std::string_view extension);

// A saved or exported file that could not be created; its text is the
// message the user sees.
class FileNotCreated : public Error {
public:
    using Error::Error;
};

struct CreatedFile {
    std::string path;
    std::string baseName;  // as finally chosen, without the extension
};

// Creates the first free name of folder/base.ext, folder/base_0.ext, ...
// exclusively (an existing file is never touched, also when another run
// writes into the same folder) and writes `bytes` into it. Raises
// FileNotCreated with "Die Datei "<folder/base>" konnte nicht erstellt
// werden!" when the file system refuses the name or the write.
//
// One namer serves one run: it remembers for each base name the number
// after the last one it created, so that a run of many messages with one
// subject tries each name once instead of starting again at base.ext.
class UniqueFileNamer {
public:
    CreatedFile Create(const std::string& folder, const BaseName& base, std::string_view extension,
                       std::string_view bytes);
    // The same with the bytes written piece by piece (a large attachment
    // decoded as it is written).
    CreatedFile CreateFromPieces(const std::string& folder, const BaseName& base, std::string_view extension,
                                 const BytePieces& bytes);

private:
    std::unordered_map<std::string, long> FNextNumber;
};

// The same for a single file.
CreatedFile CreateUniqueFile(const std::string& folder, const BaseName& base, std::string_view extension,
                             std::string_view bytes);

// A proposed file name ("bild.png") as a base name ("bild") and its
// extension (".png"), so that numbered names keep the extension.
std::pair<BaseName, std::string> SplitFileName(std::string_view fileName);

}  // namespace vellumine

#pragma once
// The parts an HTML body embeds by Content-ID, written as files beside the
// page, and the page written with its "cid:" references turned into those
// file names.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "mime/InlineIdentifier.h"
#include "mime/LineList.h"

namespace vellumine {

class TMailMessage;
class TTempFileList;

// The identifier itself when it is a safe single file name; otherwise a
// name made from it that is (path separators, a leading ".", control
// characters and characters a URL reads as something else replaced, at most
// 200 bytes, with a short hash of the identifier so that distinct
// identifiers stay distinct).
std::string SafeInlineFileName(const std::string& identifier);

// Identifiers whose files were written under another name, for the page.
using InlineNameMap = std::map<std::string, std::string>;

// Writes one part's bytes into a folder under the proposed file name and
// returns the path it wrote, which may name another file when the proposed
// one is taken.
using InlinePartWriter =
    std::function<std::string(const std::string& folder, const std::string& fileName, std::string_view bytes)>;

// The writer of the preview's own temporary folder: replaces a regular file
// of that name (never through a link). Raises "Datei %s kann nicht erstellt
// werden" when the file cannot be written.
std::string WriteInlinePartReplacing(const std::string& folder, const std::string& fileName, std::string_view bytes);

// Writes every attachment part that has an identifier (the message's and
// those of the attached messages it shows) into `folder` through
// `write`, and records the paths when `record` is given. The map names every
// identifier whose file got a name other than the identifier itself.
InlineNameMap SaveInlineParts(TMailMessage& message, const std::string& folder, TTempFileList* record,
                              const InlinePartWriter& write = WriteInlinePartReplacing);

// Writes the page: double-quoted "cid:" references lose their scheme (and
// point at the safe name where the file got one), and every "<base" is
// disabled. The lines are not changed.
void ConvertCIDSave(const TLineList& lines, const std::string& path, const InlineNameMap& renamed = {});

// The text ConvertCIDSave writes: each converted line followed by CR LF.
std::string ConvertCIDText(const TLineList& lines, const InlineNameMap& renamed = {});

// One line as ConvertCIDSave writes it.
std::string ConvertCIDLine(std::string line, const InlineNameMap& renamed = {});

}  // namespace vellumine

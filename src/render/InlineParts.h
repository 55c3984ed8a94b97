#pragma once
// The parts an HTML body embeds by Content-ID, written as files beside the
// page, and the page written with its "cid:" references turned into those
// file names.

#include <map>
#include <string>
#include <string_view>

#include "mime/LineList.h"

namespace vellumine {

class TMailMessage;
class TTempFileList;

// The Content-ID with one leading "<" and one trailing ">" removed.
std::string InlineIdentifier(std::string_view contentId);

// The identifier itself when it is a safe single file name; otherwise a
// name made from it that is (path separators, "." and "..", control
// characters and characters a URL reads as something else replaced, at most
// 200 bytes, with a short hash of the identifier so that distinct
// identifiers stay distinct).
std::string SafeInlineFileName(const std::string& identifier);

// Identifiers whose files were written under another name, for the page.
using InlineNameMap = std::map<std::string, std::string>;

// Writes every attachment part that has an identifier into `folder`,
// replacing files of the same name, and records the paths when `record` is
// given. Raises "Datei %s kann nicht erstellt werden" when a file cannot be
// written.
InlineNameMap SaveInlineParts(TMailMessage& message, const std::string& folder, TTempFileList* record);

// Writes the page: double-quoted "cid:" references lose their scheme (and
// point at the safe name where the file got one), and every "<base" is
// disabled. The lines are not changed.
void ConvertCIDSave(const TLineList& lines, const std::string& path, const InlineNameMap& renamed = {});

// The text ConvertCIDSave writes: each converted line followed by CR LF.
std::string ConvertCIDText(const TLineList& lines, const InlineNameMap& renamed = {});

// One line as ConvertCIDSave writes it.
std::string ConvertCIDLine(std::string line, const InlineNameMap& renamed = {});

}  // namespace vellumine

#pragma once

#include <string>
#include <string_view>

namespace vellumine {

// The MIME type for a file name's extension: from /etc/mime.types when the
// system has it, else from a built-in table of common types; otherwise
// "application/octet-stream". Extensions match without regard to case.
std::string MimeTypeOfFile(std::string_view fileName);

// The extension with its dot that files of a MIME type usually have
// (".pdf" for "application/pdf"); empty for a type without one.
std::string ExtensionOfMimeType(std::string_view type);

// The extension with its dot, from the last "." after the last path
// delimiter; empty when there is none.
std::string FileExtension(std::string_view fileName);

}  // namespace vellumine

#pragma once
// Attachments written out as files: each under its own name made safe for
// the user's folders (UTF-8 kept), never over an existing file.

#include <string>
#include <string_view>
#include <vector>

#include "mime/MessageAttachments.h"
#include "output/OutputFileName.h"
#include "platform/BytePieces.h"

namespace vellumine {

// The name as a file in any folder of the user's, also on a Windows drive:
// besides what CleanAttachmentName replaces, each of : * ? " < > | becomes
// "_", a leading "." too (a hidden file, "..") and trailing dots and blanks
// go; cut at a character boundary to at most kMaxFileNameBytes, the
// extension kept. An empty result is "Anlage".
std::string SafeAttachmentFileName(std::string_view name);

// The attachment's decoded bytes piece by piece (a base64 body is decoded
// as it is read and not kept); the part must outlive the pieces.
BytePieces AttachmentBytes(const TAttachment& attachment);

// Writes the attachment's decoded bytes into `folder` under its safe name,
// with "_0", "_1", ... before the extension when the name is taken (also by
// an earlier attachment of the run). Raises FileNotCreated when the file
// cannot be written.
CreatedFile WriteAttachmentFile(const TAttachment& attachment, const std::string& folder, UniqueFileNamer& names);

// Each of them in turn; the files written, in the same order.
std::vector<CreatedFile> WriteAttachmentFiles(const std::vector<TAttachment>& attachments, const std::string& folder,
                                              UniqueFileNamer& names);

// Writes the attachment to a path the user chose; an existing file there is
// never replaced. Raises FileNotCreated ("Die Datei "<path>" gibt es schon."
// or that it could not be created).
void WriteAttachmentTo(const TAttachment& attachment, const std::string& path);

}  // namespace vellumine

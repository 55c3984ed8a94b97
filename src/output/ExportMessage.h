#pragma once
// One message exported as an HTML page (with its embedded images beside
// it) or as a text file with what the page shows, as plain text.

#include <string>

#include "output/OutputFileName.h"
#include "render/PageDesign.h"

namespace vellumine {

enum class ExportFormat {
    AllHtml,  // "Immer im HTML Format speichern"
    AllText,  // "Immer im TXT Format speichern"
    Mixed,    // "Je nach eMail-Format speichern"
};

struct ExportOptions {
    ExportFormat format = ExportFormat::AllHtml;
    bool withDate = true;
    bool withDesign = true;  // header block and template ("Vorschau mit komplettem Design zeigen")
    PageDesign design;
    bool rawText = false;  // text files keep the body's bytes instead of UTF-8
    // Each message's attachments as files in a folder beside its page or
    // text file, "<file's base name> Anlagen" (see AttachmentFolder.h), and
    // the page's list linking to them. A message without attachments gets
    // no folder.
    bool withAttachments = false;
};

struct ExportedFile {
    CreatedFile file;
    bool asText = false;
};

// Every file is created anew: a taken name gets the next free number (the
// page's references follow its images), nothing existing is overwritten.
// `names` carries the numbering across the messages of one run. Raises
// FileNotCreated or "Datei %s kann nicht erstellt werden" when a file cannot
// be written; files written before stay. With attachments, a failure leaves
// no page or text file behind (it would name files that are missing); the
// error says where the attachments written until then lie.
ExportedFile ExportMessageFile(const std::string& folder, const std::string& source, const HeaderFields& fields,
                               const ExportOptions& options, UniqueFileNamer* names = nullptr);

// The page the preview shows, written into a folder of the user's as
// base.htm (or the next free name) with its images beside it.
CreatedFile ExportMessagePage(const std::string& folder, const BaseName& base, const std::string& source,
                              const HeaderFields& fields, bool withDesign, const PageDesign& design);

}  // namespace vellumine

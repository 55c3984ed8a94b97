#pragma once
// One message exported as an HTML page (with its embedded images beside
// it) or as a text file with its plain-text body.

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
};

struct ExportedFile {
    CreatedFile file;
    bool asText = false;
};

// Raises FileNotCreated or "Datei %s kann nicht erstellt werden" when a
// file cannot be written; files written before stay.
ExportedFile ExportMessageFile(const std::string& folder, const std::string& source, const HeaderFields& fields,
                               const ExportOptions& options);

}  // namespace vellumine

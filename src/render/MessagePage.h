#pragma once
// The composing sequence that the preview, printing, the page command and
// export share.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mime/MessageAttachments.h"
#include "render/AttachmentList.h"
#include "render/PageDesign.h"

namespace vellumine {

class TMailMessage;
class TTempFileList;

// Parses a source and indexes its parts.
std::unique_ptr<TMailMessage> ParseMessageSource(const std::string& source);

// Makes the HTML body of a parsed message (from the text body when there is
// none) and adds the design when wanted: afterwards the message's
// HtmlBodyLines are the page in UTF-8, declared as such, its "cid:"
// references not yet rewritten. The text body is UTF-8 too. After the
// message's text (and in each attached message's block) comes the list of
// attachments, its names linked through `href` when one is given. Returns
// the entries listed.
std::vector<TAttachment> ComposePageLines(TMailMessage& message, const HeaderFields& fields, bool withDesign,
                                          const PageDesign& design, const AttachmentHref& href = {});

struct PageRequest {
    std::string pagePath;     // where the page is written
    std::string partsFolder;  // where the embedded parts are written
    bool withDesign = true;   // header block and template
    PageDesign design;
    TTempFileList* record = nullptr;  // the temporary files, when the target is the temporary folder
};

// One file beside a page: an embedded part under its file name.
struct InlineFile {
    std::string fileName;
    std::string bytes;
};

// The page of the preview and of printing, composed but not yet written:
// the page's text with its references pointing at the parts' file names.
// Making it touches no file and no shared state, so it may run on any
// thread.
struct PreviewPage {
    std::string text;
    std::vector<InlineFile> parts;  // in the order they are written; a later one of a name wins
    // The attachments the page lists, in its order; `part` and `owner` are
    // null here (the message they pointed into is gone).
    std::vector<TAttachment> attachments;
};

// With `linkAttachments` the list's names link to "anlage:N" for the
// window to catch; print and the page command leave them plain.
PreviewPage ComposePreviewPage(const std::string& source, const HeaderFields& fields, bool withDesign,
                               const PageDesign& design, bool linkAttachments = false);

// Writes the parts and then the page into the program's own temporary
// folder, replacing the files of the page shown before, and records them.
void WritePreviewPage(const PreviewPage& page, const std::string& pagePath, const std::string& partsFolder,
                      TTempFileList* record);

// Both at once, as printing does it.
void ComposeMessagePage(const std::string& source, const HeaderFields& fields, const PageRequest& request);

// The design templates in a folder: the names of its "*.htm" files, in
// name order (the window picks the last one).
std::vector<std::string> ListTemplates(const std::string& folder);

// The path of the template `name` in `folder`, only when `name` is one of
// the folder's templates as ListTemplates gives them: a name from a
// command line or a settings file never reaches another file ("../x.htm",
// "/etc/passwd").
std::optional<std::string> DesignTemplatePath(const std::string& folder, const std::string& name);

}  // namespace vellumine

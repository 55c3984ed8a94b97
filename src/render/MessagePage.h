#pragma once
// The composing sequence that the preview, printing and export share.

#include <memory>
#include <string>
#include <vector>

#include "render/PageDesign.h"

namespace vellumine {

class TMailMessage;
class TTempFileList;

struct PageRequest {
    std::string pagePath;     // where the page is written
    std::string partsFolder;  // where the embedded parts are written
    bool withDesign = true;   // header block and template
    PageDesign design;
    TTempFileList* record = nullptr;  // the temporary files, when the target is the temporary folder
};

// Parses the source, makes the HTML body (from the text body when there is
// none), adds the design when wanted, writes the parts and the page.
// Returns the parsed message for the caller to use and free.
std::unique_ptr<TMailMessage> ComposeMessagePage(const std::string& source, const HeaderFields& fields,
                                                 const PageRequest& request);

// The design templates in a folder: the names of its "*.htm" files, in
// name order (the window picks the last one).
std::vector<std::string> ListTemplates(const std::string& folder);

}  // namespace vellumine

// A message source as input, composed into a page with its parts written
// into a fresh folder; afterwards nothing may lie outside that folder, and
// nothing but plain files inside it.

#include <string>

#include "FuzzSupport.h"
#include "mime/MailMessage.h"
#include "render/MessagePage.h"
#include "render/TempFiles.h"

using namespace vellumine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto& outer = fuzz::WorkFolder();
    fuzz::EmptyFolder(outer);
    const auto target = outer / "ziel";
    std::filesystem::create_directory(target);
    const std::string source(reinterpret_cast<const char*>(data), size);
    TTempFileList record;
    const HeaderFields fields{"Absender", "Empf\xE4nger", "Betreff <b>", "24.12.2003 14:05:06"};
    PageDesign design;  // no template: header block and body
    try {
        ComposeMessagePage(source, fields, PageRequest{(target / "mail.htm").string(), target.string(), true, design,
                                                       &record});
    } catch (const std::exception&) {
        // A part the file system refuses ends the composing, as in the window.
    }
    fuzz::CheckOnlyWrittenInside(outer, target);
    for (const std::string& path : record.Paths())
        if (std::filesystem::path(path).parent_path() != target)
            std::abort();
    record.DeleteTempFiles();
    return 0;
}

#pragma once
// An exported page (or text file) and the folder beside it that holds the
// message's attachments: "<name of the page> Anlagen", so "Rechnung
// 24_12_2003.htm" keeps its files in "Rechnung 24_12_2003 Anlagen/" and a
// second page of that name, "Rechnung 24_12_2003_0.htm", in "Rechnung
// 24_12_2003_0 Anlagen/". Page and folder are taken together before
// anything is written into them, so that neither ever lands in something
// that was there before.

#include <string>
#include <string_view>

#include "output/OutputFileName.h"

namespace vellumine {

inline constexpr const char* kAttachmentFolderSuffix = " Anlagen";

struct PageWithFolder {
    CreatedFile page;        // created empty by the run itself
    std::string folderName;  // "<page base name> Anlagen"
    std::string folderPath;  // made by the run itself, empty
};

// Creates the page file (empty, exclusively) under the first free name and
// the folder named after it. When the folder's name is taken by anything,
// the empty page is removed again and the next free name is tried, so page
// and folder always carry the same name. A long subject is cut so that the
// folder's name fits as well as the page's. Raises FileNotCreated when the
// file system refuses either.
PageWithFolder ReservePageWithFolder(const std::string& folder, const BaseName& base, std::string_view extension,
                                     UniqueFileNamer& names);

// Removes the reserved page and the folder when it is still empty; true
// when the folder is gone.
bool RemovePageWithFolder(const PageWithFolder& reserved);

// After a failure while the folder was being filled or the page written:
// removes the reserved page (no page may link to files that are missing)
// and the folder when it is still empty, then raises FileNotCreated with
// `cause` and, when some attachments were written, where they lie.
[[noreturn]] void AbandonPageWithFolder(const PageWithFolder& reserved, const std::string& cause);

}  // namespace vellumine

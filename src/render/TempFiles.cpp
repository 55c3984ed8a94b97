#include "render/TempFiles.h"

#include <unistd.h>

namespace vellumine {

void TTempFileList::DeleteTempFiles()
{
    for (const std::string& path : FPaths)
        ::unlink(path.c_str());
    FPaths.clear();
}

}  // namespace vellumine

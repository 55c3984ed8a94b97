#pragma once

#include <string>

namespace vellumine {

// A Windows path as the store's registry entry holds it, made a local path:
// backslashes become slashes, and a drive letter ("C:") is resolved through
// Wine's dosdevices folder ($WINEPREFIX, default ~/.wine) when that drive is
// there. A path that is already local passes unchanged.
std::string MapWindowsPath(const std::string& path);

}  // namespace vellumine

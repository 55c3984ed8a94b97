#include "platform/Error.h"

namespace vellumine {

std::string FormatMessage(const std::string& pattern, const std::string& argument)
{
    std::string text = pattern;
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

Error FileOpenError(const std::string& path)
{
    return Error(FormatMessage("Datei %s kann nicht geöffnet werden", path));
}

}  // namespace vellumine

#include "mime/LineWalker.h"

#include <cstring>

namespace vellumine {

bool LineWalker::Next()
{
    if (FAtEnd)
        return false;
    if (FStarted)
        FStart += FLength + 2;
    FStarted = true;
    FLength = 0;
    const char* base = FText.data();
    std::size_t at = FStart;
    while (at < FText.size()) {
        const auto* cr = static_cast<const char*>(std::memchr(base + at, '\r', FText.size() - at));
        if (!cr)
            break;
        const auto crAt = static_cast<std::size_t>(cr - base);
        if (crAt + 1 < FText.size() && base[crAt + 1] == '\n') {
            FLength = crAt - FStart;
            return true;
        }
        at = crAt + 1;
    }
    if (FStart < FText.size()) {
        FLength = FText.size() - FStart;
        return true;
    }
    FAtEnd = true;
    return false;
}

}  // namespace vellumine

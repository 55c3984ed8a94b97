#include "mime/LineWalker.h"

#include <cstring>

namespace vellumine {

bool LineWalker::Next()
{
    if (FAtEnd)
        return false;
    if (FStarted)
        FStart += FLength + FBreakLength;
    FStarted = true;
    FPreviousBreakLength = FBreakLength;
    FLength = 0;
    FBreakLength = 0;
    if (FStart >= FText.size()) {
        FAtEnd = true;
        return false;
    }
    const char* base = FText.data();
    const auto* lf = static_cast<const char*>(std::memchr(base + FStart, '\n', FText.size() - FStart));
    if (!lf) {
        FLength = FText.size() - FStart;
        return true;
    }
    const auto lfAt = static_cast<std::size_t>(lf - base);
    const bool crBefore = lfAt > FStart && base[lfAt - 1] == '\r';
    FLength = lfAt - FStart - (crBefore ? 1 : 0);
    FBreakLength = crBefore ? 2 : 1;
    return true;
}

}  // namespace vellumine

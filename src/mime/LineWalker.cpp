#include "mime/LineWalker.h"

#include <cstring>

namespace vellumine {

bool LineWalker::NextFrom(std::size_t lineStart)
{
    if (FAtEnd)
        return false;
    if (!FStarted || lineStart <= NextStart())
        return Next();
    // Stand on an empty line that ends in the break before `lineStart` (a
    // CR there belongs to that break unless it ends an earlier line); Next()
    // then moves onto the wanted line.
    const std::size_t breakLength =
        lineStart >= 2 && lineStart - 2 >= NextStart() && FText[lineStart - 2] == '\r' ? 2 : 1;
    FStart = lineStart - breakLength;
    FLength = 0;
    FBreakLength = breakLength;
    return Next();
}

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

#pragma once
// Walks a text line by line, the way the part parser reads a source: a line
// ends at CR LF or at a lone LF (a lone CR belongs to its line), the line is
// handed out without its break, a text ending in a break has no empty last
// line, and the text between two line starts can be taken as one piece.
// Positions count from 0 into the text; the text is not changed.

#include <cstddef>
#include <string_view>

namespace vellumine {

class LineWalker {
public:
    explicit LineWalker(std::string_view text) : FText(text) {}

    // Moves to the next line; false once the text is used up.
    bool Next();
    // Moves to the line that starts at `lineStart` (0 or just after a line
    // feed, at or after the next line), passing over the lines before it;
    // false when that is the end of the text.
    bool NextFrom(std::size_t lineStart);

    std::size_t Start() const { return FStart; }
    std::string_view Line() const { return FText.substr(FStart, FLength); }
    // Where the text after the current line begins (past its break).
    std::size_t NextStart() const { return FStart + FLength + FBreakLength; }
    // Where the break before the current line begins: the end of the text
    // that precedes the current line, without its line break.
    std::size_t PreviousLineEnd() const { return FStart - FPreviousBreakLength; }
    bool AtEnd() const { return FAtEnd; }
    std::string_view Text() const { return FText; }

private:
    std::string_view FText;
    std::size_t FStart = 0;
    std::size_t FLength = 0;
    std::size_t FBreakLength = 0;
    std::size_t FPreviousBreakLength = 0;
    bool FStarted = false;
    bool FAtEnd = false;
};

}  // namespace vellumine

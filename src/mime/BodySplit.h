#pragma once
// The two ways of splitting a body into pieces, apart from the part tree:
// each walks on from the line that ended the body and returns what it found;
// the part builds its children from that.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "mime/LineWalker.h"

namespace vellumine {

// Called after each line a split reads, for the parse progress.
using LineReport = std::function<void(const LineWalker& lines)>;

// A piece of the walker's text.
struct TextRange {
    std::size_t start = 0;
    std::size_t length = 0;
};

// The children of a multipart body: the texts between the delimiter lines
// "--boundary", up to the closing delimiter "--boundary--", each without
// the line break before the next delimiter. A child still open at the end
// (no closing delimiter) runs to the end of the text. `delimiterSeen`: the
// walk stands on the first delimiter line.
std::vector<TextRange> SplitMultipartBody(LineWalker& lines, const std::string& boundary, bool delimiterSeen,
                                          const LineReport& report);

// One uuencoded block ("begin 6.. name" ... "end"), decoded.
struct UUEncodedBlock {
    std::string fileName;  // only a hint for the MIME type, never a path
    std::string bytes;
};

struct UUEncodedBody {
    bool anyBegin = false;  // a "begin" line was seen: the body becomes a multipart
    std::vector<UUEncodedBlock> blocks;  // the blocks closed by their "end" line
    // The text around the blocks from the first "begin" line on, in order:
    // between the blocks and after the last one, and a block never closed
    // by its "end" line (which is no block but text).
    std::vector<TextRange> text;
};

// The uuencoded blocks of a plain body. `beginSeen`: the walk stands on the
// first "begin" line.
UUEncodedBody SplitUUEncodedBody(LineWalker& lines, bool beginSeen, const LineReport& report);

}  // namespace vellumine

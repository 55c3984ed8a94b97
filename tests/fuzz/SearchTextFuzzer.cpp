// A message source as input to what the search index keeps of it (parse,
// bodies in UTF-8, HTML made plain text, attachment names), and the same
// bytes read as a search query, folded as a word and cut into CJK pairs.

#include <string>

#include "platform/Error.h"
#include "search/CjkPairs.h"
#include "search/IndexedMessage.h"
#include "search/SearchQuery.h"
#include "search/WordFolding.h"

using namespace vellumine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    Toe5_MessageInfo info;
    info.Subject = input.substr(0, 64);
    (void)IndexedMessageOf(info, input, "Ordner");
    try {
        (void)ParseSearchQuery(input.substr(0, 4096), 3600);
    } catch (const Error&) {
        // A date it cannot read is refused; nothing else may escape.
    }
    for (const WordPiece& piece : CjkPieces(input)) {
        if (piece.offset + piece.length > input.size())
            __builtin_trap();
    }
    (void)FoldWord(input);
    (void)FoldWord(input, UmlautFold::Stripped);
    return 0;
}

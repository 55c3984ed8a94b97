#pragma once
// Chinese, Japanese and Korean are written without blanks between words,
// so a run of their characters is one "word" to a splitter that looks for
// blanks. The search indexes such a run as overlapping pairs of characters
// instead (東京から: 東京, 京か, から), and a query is split the same way,
// so that any two or more characters of the run find it. A lone character
// stays one piece.

#include <cstddef>
#include <string_view>
#include <vector>

namespace vellumine {

struct WordPiece {
    std::size_t offset = 0;  // bytes into the word
    std::size_t length = 0;
};

// The pieces of a word, in order: the parts outside CJK runs as they are,
// each run as its pairs. Empty when the word holds no CJK character (the
// word is then one piece, itself).
std::vector<WordPiece> CjkPieces(std::string_view word);

}  // namespace vellumine

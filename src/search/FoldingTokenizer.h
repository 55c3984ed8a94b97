#pragma once
// The tokenizer of the search index, "vellumine": SQLite's unicode61
// splits the text into words and lowers their case (every script), runs
// of CJK characters become pairs (CjkPairs.h), then each word gets the
// German folding of WordFolding.h; a word with umlauts is indexed in both
// folds at one place, and so is its German stem (Snowball), under a mark
// that keeps it apart from the words. Offsets stay those of the original
// text, so snippets show it as written.

struct sqlite3;

namespace vellumine {

inline constexpr const char* kFoldingTokenizerName = "vellumine";

// A query string that begins with this mark is a plain word the user
// typed: it is looked for in all its forms, not only as written.
inline constexpr const char* kStemmedQueryMark = "\x01";

// Registers the tokenizer on the connection; every connection that reads
// or writes the index needs it. Returns false when FTS5 is missing.
bool RegisterFoldingTokenizer(sqlite3* database);

}  // namespace vellumine

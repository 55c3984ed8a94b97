#pragma once
// The tokenizer of the search index, "vellumine": SQLite's unicode61
// splits the text into words and lowers their case (every script), then
// each word gets the German folding of WordFolding.h; a word with umlauts
// is indexed in both folds at one place. Offsets stay those of
// the original text, so snippets show it as written.

struct sqlite3;

namespace vellumine {

inline constexpr const char* kFoldingTokenizerName = "vellumine";

// Registers the tokenizer on the connection; every connection that reads
// or writes the index needs it. Returns false when FTS5 is missing.
bool RegisterFoldingTokenizer(sqlite3* database);

}  // namespace vellumine

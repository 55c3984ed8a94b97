#include "search/FoldingTokenizer.h"

#include <libstemmer.h>
#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/CjkPairs.h"
#include "search/WordFolding.h"

namespace vellumine {
namespace {

// Mail repeats its words: the forms of the recent ones are kept, up to
// this many, and new ones alone are folded and stemmed.
constexpr std::size_t kKeptWords = 65536;

// Every form a word is indexed or looked for in.
struct WordForms {
    std::string folded;
    std::string stripped;    // the umlauts without their dots; empty when that is `folded`
    std::string stem;        // the German stem, folded as the words are
    std::string markedStem;  // the stem under the mark
};

struct WordHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view word) const { return std::hash<std::string_view>{}(word); }
};

struct FormCache {
    sb_stemmer* stemmer = nullptr;
    std::unordered_map<std::string, WordForms, WordHash, std::equal_to<>> forms;
};

struct FoldingInstance {
    fts5_tokenizer inner{};
    Fts5Tokenizer* innerInstance = nullptr;
    FormCache forms;
};

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

struct Forwarding {
    void* context;
    TokenCallback emit;
    FormCache* forms;
    bool document;  // text being indexed, not a query
    bool stemmed;   // a query's plain word: found in all its forms
};

int CreateFolding(void* userData, const char** /*arguments*/, int /*argumentCount*/, Fts5Tokenizer** out)
{
    auto* api = static_cast<fts5_api*>(userData);
    auto* instance = new (std::nothrow) FoldingInstance;
    if (!instance)
        return SQLITE_NOMEM;
    void* innerUserData = nullptr;
    int code = api->xFindTokenizer(api, "unicode61", &innerUserData, &instance->inner);
    const char* options[] = {"remove_diacritics", "0"};
    if (code == SQLITE_OK)
        code = instance->inner.xCreate(innerUserData, options, 2, &instance->innerInstance);
    if (code == SQLITE_OK) {
        instance->forms.stemmer = sb_stemmer_new("german", "UTF_8");
        if (!instance->forms.stemmer) {
            instance->inner.xDelete(instance->innerInstance);
            code = SQLITE_NOMEM;
        }
    }
    if (code != SQLITE_OK) {
        delete instance;
        return code;
    }
    *out = reinterpret_cast<Fts5Tokenizer*>(instance);
    return SQLITE_OK;
}

void DeleteFolding(Fts5Tokenizer* tokenizer)
{
    auto* instance = reinterpret_cast<FoldingInstance*>(tokenizer);
    instance->inner.xDelete(instance->innerInstance);
    sb_stemmer_delete(instance->forms.stemmer);
    delete instance;
}

bool IsAscii(std::string_view word)
{
    return std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The German stem of a lower-case word, folded as the words are.
std::string StemOf(sb_stemmer* stemmer, std::string_view word)
{
    const sb_symbol* stem =
        sb_stemmer_stem(stemmer, reinterpret_cast<const sb_symbol*>(word.data()), static_cast<int>(word.size()));
    if (!stem)
        throw std::bad_alloc();
    const std::string_view stemmed(reinterpret_cast<const char*>(stem),
                                   static_cast<std::size_t>(sb_stemmer_length(stemmer)));
    return IsAscii(stemmed) ? std::string(stemmed) : FoldWord(stemmed);
}

// The forms of a lower-case word, from the cache when it was seen lately.
const WordForms& FormsOf(FormCache& cache, std::string_view word)
{
    if (const auto known = cache.forms.find(word); known != cache.forms.end())
        return known->second;
    WordForms forms;
    const bool ascii = IsAscii(word);
    forms.folded = ascii ? std::string(word) : FoldWord(word);
    if (!ascii) {
        std::string stripped = FoldWord(word, UmlautFold::Stripped);
        if (stripped != forms.folded)
            forms.stripped = std::move(stripped);
    }
    forms.stem = StemOf(cache.stemmer, word);
    forms.markedStem = kStemmedQueryMark + forms.stem;
    if (cache.forms.size() >= kKeptWords)
        cache.forms.clear();
    return cache.forms.emplace(std::string(word), std::move(forms)).first->second;
}

// One word at one place: folded, and in the forms it is also found by.
// A document keeps its stem under the mark, apart from the words: a
// quoted word then finds only itself. A query's plain word asks for the
// stem under the mark or as a word (a word that is its own stem is
// indexed without a marked copy).
int EmitWord(Forwarding& forwarding, int flags, std::string_view word, int start, int end)
{
    const auto emit = [&](int tokenFlags, const std::string& token) {
        return forwarding.emit(forwarding.context, tokenFlags, token.data(), static_cast<int>(token.size()), start,
                               end);
    };
    const WordForms& forms = FormsOf(*forwarding.forms, word);
    int code = emit(flags, forms.folded);
    // A word with umlauts is also found as typed without their dots.
    if (code == SQLITE_OK && forwarding.document && !forms.stripped.empty())
        code = emit(FTS5_TOKEN_COLOCATED, forms.stripped);
    if (code != SQLITE_OK || !(forwarding.document || forwarding.stemmed))
        return code;
    if (forms.stem == forms.folded && forwarding.document)
        return code;
    if (!forwarding.document && forms.stem != forms.folded)
        code = emit(FTS5_TOKEN_COLOCATED, forms.stem);
    if (code == SQLITE_OK)
        code = emit(FTS5_TOKEN_COLOCATED, forms.markedStem);
    return code;
}

int ForwardFolded(void* context, int flags, const char* token, int length, int start, int end)
{
    auto* forwarding = static_cast<Forwarding*>(context);
    try {
        const std::string_view word(token, static_cast<std::size_t>(length));
        const std::vector<WordPiece> pieces = CjkPieces(word);
        if (pieces.empty())
            return EmitWord(*forwarding, flags, word, start, end);
        // Pairs of characters are words of their own, at places of their
        // own; their offsets are exact while the lowered word is as long
        // as the text it came from.
        const bool exact = end - start == length;
        int code = SQLITE_OK;
        for (std::size_t i = 0; i < pieces.size() && code == SQLITE_OK; ++i) {
            const WordPiece& piece = pieces[i];
            const int pieceStart = exact ? start + static_cast<int>(piece.offset) : start;
            const int pieceEnd = exact ? pieceStart + static_cast<int>(piece.length) : end;
            code = EmitWord(*forwarding, i == 0 ? flags : 0, word.substr(piece.offset, piece.length), pieceStart,
                            pieceEnd);
        }
        return code;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

int TokenizeFolding(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int length,
                    TokenCallback emit)
{
    auto* instance = reinterpret_cast<FoldingInstance*>(tokenizer);
    Forwarding forwarding{context, emit, &instance->forms, (flags & FTS5_TOKENIZE_DOCUMENT) != 0, false};
    if ((flags & FTS5_TOKENIZE_QUERY) && length > 0 && *text == *kStemmedQueryMark) {
        forwarding.stemmed = true;
        ++text;
        --length;
    }
    return instance->inner.xTokenize(instance->innerInstance, &forwarding, flags, text, length, ForwardFolded);
}

fts5_api* Fts5Of(sqlite3* database)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

}  // namespace

bool RegisterFoldingTokenizer(sqlite3* database)
{
    fts5_api* api = Fts5Of(database);
    if (!api)
        return false;
    fts5_tokenizer folding{CreateFolding, DeleteFolding, TokenizeFolding};
    return api->xCreateTokenizer(api, kFoldingTokenizerName, api, &folding, nullptr) == SQLITE_OK;
}

}  // namespace vellumine

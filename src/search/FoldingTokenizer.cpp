#include "search/FoldingTokenizer.h"

#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <string>

#include "search/WordFolding.h"

namespace vellumine {
namespace {

struct FoldingInstance {
    fts5_tokenizer inner{};
    Fts5Tokenizer* innerInstance = nullptr;
};

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

struct Forwarding {
    void* context;
    TokenCallback emit;
    bool document;  // text being indexed, not a query
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
    delete instance;
}

int ForwardFolded(void* context, int flags, const char* token, int length, int start, int end)
{
    auto* forwarding = static_cast<Forwarding*>(context);
    try {
        const std::string_view word(token, static_cast<std::size_t>(length));
        // Most words are ASCII, which the folding leaves as it is.
        if (std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return forwarding->emit(forwarding->context, flags, token, length, start, end);
        const std::string folded = FoldWord(word);
        int code = forwarding->emit(forwarding->context, flags, folded.data(), static_cast<int>(folded.size()), start, end);
        if (code != SQLITE_OK || !forwarding->document)
            return code;
        // A word with umlauts is also found as typed without their dots.
        const std::string stripped = FoldWord(word, UmlautFold::Stripped);
        if (stripped != folded)
            code = forwarding->emit(forwarding->context, FTS5_TOKEN_COLOCATED, stripped.data(),
                                    static_cast<int>(stripped.size()), start, end);
        return code;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

int TokenizeFolding(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int length,
                    TokenCallback emit)
{
    auto* instance = reinterpret_cast<FoldingInstance*>(tokenizer);
    Forwarding forwarding{context, emit, (flags & FTS5_TOKENIZE_DOCUMENT) != 0};
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

#include "search/QueryTokens.h"

#include <algorithm>

#include "platform/Ascii.h"

namespace vellumine {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EndsWord(char c)
{
    return IsBlank(c) || c == '(' || c == ')';
}

QueryToken::Kind KindOfWord(std::string_view word)
{
    if (word == "OR" || word == "ODER")
        return QueryToken::Or;
    if (word == "NOT" || word == "NICHT")
        return QueryToken::Not;
    if (word == "AND" || word == "UND")
        return QueryToken::And;
    return QueryToken::Term;
}

class Splitter {
public:
    explicit Splitter(std::string_view text) : FText(text) {}

    std::vector<QueryToken> Run()
    {
        while (FAt < FText.size()) {
            const char c = FText[FAt];
            if (IsBlank(c)) {
                ++FAt;
            } else if (c == '(' || c == ')') {
                Push({c == '(' ? QueryToken::Open : QueryToken::Close});
                ++FAt;
            } else if (c == '-') {
                // A minus before a term or a group negates it; one alone is nothing.
                ++FAt;
                if (FAt < FText.size() && !IsBlank(FText[FAt]))
                    Push({QueryToken::Not});
            } else if (c == '"') {
                Phrase();
            } else {
                Word();
            }
        }
        return std::move(FTokens);
    }

private:
    void Push(QueryToken token) { FTokens.push_back(std::move(token)); }

    // An unclosed quote runs to the end.
    void Phrase()
    {
        const std::size_t close = FText.find('"', FAt + 1);
        const std::size_t end = close == std::string_view::npos ? FText.size() : close;
        Push({QueryToken::Term, std::string(FText.substr(FAt + 1, end - FAt - 1)), true});
        FAt = close == std::string_view::npos ? FText.size() : close + 1;
    }

    void Word()
    {
        const std::size_t start = FAt;
        while (FAt < FText.size() && !EndsWord(FText[FAt]) && FText[FAt] != ':')
            ++FAt;
        // A prefix right after a prefix is text: "von:datum:2003" looks for
        // "datum:2003" in the sender, it does not become a date range.
        if (FAt < FText.size() && FText[FAt] == ':' && start != FAfterField) {
            const std::string field = LowerAsciiText(FText.substr(start, FAt - start));
            if (IsQueryField(field)) {
                Push({QueryToken::Field, field});
                ++FAt;  // what follows is lexed on its own: a term, a phrase or a group
                FAfterField = FAt;
                return;
            }
        }
        while (FAt < FText.size() && !EndsWord(FText[FAt]))
            ++FAt;
        std::string word(FText.substr(start, FAt - start));
        const QueryToken::Kind kind = KindOfWord(word);
        if (kind != QueryToken::Term) {
            Push({kind});
            return;
        }
        word.erase(std::remove(word.begin(), word.end(), '"'), word.end());
        QueryToken term{QueryToken::Term};
        while (!word.empty() && word.back() == '*') {
            term.prefix = true;
            word.pop_back();
        }
        term.text = std::move(word);
        Push(std::move(term));
    }

    std::string_view FText;
    std::size_t FAt = 0;
    std::size_t FAfterField = std::string_view::npos;  // where the text after the last prefix starts
    std::vector<QueryToken> FTokens;
};

}  // namespace

bool IsQueryField(const std::string& name)
{
    return name == "von" || name == "an" || name == "betreff" || name == "ordner" || name == "anhang" ||
           name == "datum";
}

std::vector<QueryToken> SplitQueryTokens(std::string_view text)
{
    return Splitter(text).Run();
}

}  // namespace vellumine

#pragma once
// The pieces of a typed search: words and phrases, field prefixes, the
// operators OR/ODER, NOT/NICHT, AND/UND (in capitals only: "oder" is a
// word), a leading -, and parentheses.

#include <string>
#include <string_view>
#include <vector>

namespace vellumine {

struct QueryToken {
    enum Kind { Term, Field, Or, And, Not, Open, Close };
    Kind kind = Term;
    std::string text;     // the term's value, or the field's name in lower case
    bool phrase = false;  // the value was quoted
    bool prefix = false;  // a trailing * on a word
};

// True for the prefixes the search knows: von, an, betreff, ordner, anhang, datum.
bool IsQueryField(const std::string& lowerCaseName);

std::vector<QueryToken> SplitQueryTokens(std::string_view text);

}  // namespace vellumine

#pragma once
// A search as the user types it, turned into an FTS5 match expression and
// a date range. Words and "quoted phrases" are looked for in every text;
// a word ending in * matches every word it begins. Terms side by side must
// all match; OR (ODER) takes either side, NOT (NICHT) or a leading - takes
// the messages without it, and parentheses group. AND binds closer than
// OR, and NOT closest: `a b OR c` is (a AND b) OR c. Prefixes name the text
// of a term or a group: von:, an:, betreff:, ordner:, anhang:
// (`von:(müller OR meier)`). datum: takes a year, month or day (2003,
// 2003-01, 2003-01-15) or a range of them (2003-01..2003-06, 2003-01..,
// ..2003-06) and holds for the whole search. Whatever the user types is
// text or one of these operators, never FTS5's own syntax.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumine {

struct SearchQuery {
    std::string match;  // empty: no text condition
    // The messages wanted are those `match` does NOT find (a query of
    // negated terms only, such as `-urlaub`).
    bool negated = false;
    // FILETIME bounds; `until` is the first moment after the range.
    std::optional<std::uint64_t> from;
    std::optional<std::uint64_t> until;

    bool Empty() const { return match.empty() && !from && !until; }
    bool Dated() const { return from || until; }
};

// Longer queries are refused: no one types them, and their cost grows fast.
inline constexpr std::size_t kLongestQuery = 4096;

// `utcOffsetSeconds`: dates are the user's local dates, as the list shows
// them. Raises Error with a German sentence for a date it cannot read, a
// date under OR or NOT, a query longer than kLongestQuery bytes or one
// nested too deep.
SearchQuery ParseSearchQuery(std::string_view text, std::int64_t utcOffsetSeconds);

}  // namespace vellumine

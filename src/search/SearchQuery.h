#pragma once
// A search as the user types it, turned into an FTS5 match expression and
// a date range. Words and "quoted phrases" are looked for in every text;
// a word ending in * matches every word it begins. Prefixes name the text:
// von:, an:, betreff:, ordner:, anhang: (the value a word or a phrase);
// datum: takes a year, month or day (2003, 2003-01, 2003-01-15) or a range
// of them (2003-01..2003-06, 2003-01.., ..2003-06). All parts must match.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumine {

struct SearchQuery {
    std::string match;  // empty: no text condition
    // FILETIME bounds; `until` is the first moment after the range.
    std::optional<std::uint64_t> from;
    std::optional<std::uint64_t> until;

    bool Empty() const { return match.empty() && !from && !until; }
};

// `utcOffsetSeconds`: dates are the user's local dates, as the list shows
// them. Raises Error "Ungültige Datumsangabe: %s" for a date it cannot read.
SearchQuery ParseSearchQuery(std::string_view text, std::int64_t utcOffsetSeconds);

}  // namespace vellumine

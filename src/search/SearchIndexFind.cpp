// The search's queries: the messages found, newest first, a page of them
// with snippets, and how many there are in all.

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

#include "platform/DateTime.h"
#include "search/MessageIds.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"
#include "search/SqliteDatabase.h"

namespace vellumine {
namespace {

// Where a snippet's matching words begin and end; control characters the
// snippet's own text cannot hold after OneLine.
constexpr char kMatchStart = '\x02';
constexpr char kMatchEnd = '\x03';

// The snippet as one line: every run of white space one blank, other
// control characters dropped but for the match marks.
std::string OneLine(const std::string& text)
{
    std::string line;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !line.empty();
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 && c != kMatchStart && c != kMatchEnd)
            continue;
        if (blank)
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

// The snippet without its marks, and where the marks were.
void SetSnippet(SearchHit& hit, const std::string& marked)
{
    std::size_t open = std::string::npos;
    for (const char c : OneLine(marked)) {
        if (c == kMatchStart) {
            open = hit.snippet.size();
        } else if (c == kMatchEnd) {
            if (open != std::string::npos && open < hit.snippet.size())
                hit.matches.push_back({open, hit.snippet.size() - open});
            open = std::string::npos;
        } else {
            hit.snippet += c;
        }
    }
}

// The date range as SQL over the id column `id`. A message without a date
// is in no range of dates, open or not.
std::string RangeSql(const SearchQuery& query, const std::string& id)
{
    std::string range;
    if (query.Dated())
        range += " AND " + id + " >= ?2";
    if (query.until)
        range += " AND " + id + " < ?3";
    return range;
}

// From and where of the search's SQL over the messages a query of found
// terms (or of dates alone) finds; the id names the message in the order
// of its date.
struct FindSql {
    std::string from;
    std::string id;
};

FindSql FindSqlOf(const SearchQuery& query)
{
    FindSql sql = query.match.empty()
                      ? FindSql{"messages m WHERE 1", "m.id"}
                      : FindSql{"texts JOIN messages m ON m.id = texts.rowid WHERE texts MATCH ?1", "texts.rowid"};
    sql.from += RangeSql(query, sql.id);
    return sql;
}

std::string PageStatement(const SearchQuery& query, const std::string& columns)
{
    const FindSql sql = FindSqlOf(query);
    return "SELECT " + columns + " FROM " + sql.from + " ORDER BY " + sql.id + " DESC LIMIT ?4 OFFSET ?5";
}

std::int64_t SqlCount(std::size_t count)
{
    return static_cast<std::int64_t>(std::min<std::size_t>(count, std::numeric_limits<std::int32_t>::max()));
}

void BindRange(SqliteStatement& statement, const SearchQuery& query)
{
    if (query.Dated())
        statement.Bind(2, std::max(query.from ? FirstIdOf(*query.from) : 0, kSameSecondIds));
    if (query.until)
        statement.Bind(3, FirstIdOf(*query.until));
}

void BindQuery(SqliteStatement& statement, const SearchQuery& query)
{
    if (!query.match.empty())
        statement.Bind(1, query.match);
    BindRange(statement, query);
}

void BindPage(SqliteStatement& statement, const SearchQuery& query, std::size_t limit, std::size_t offset)
{
    BindQuery(statement, query);
    statement.Bind(4, SqlCount(limit)).Bind(5, SqlCount(offset));
}

// The ids of the messages in the query's range that meet `bound` (over
// `+id`, with its value as ?4), ascending. `+id` is no range of the table's
// keys: SQLite reads the ids from the smallest index that holds them (the
// one by file) instead of walking the table's rows, at half the cost.
std::vector<std::int64_t> SortedIds(SqliteDatabase& database, const SearchQuery& query, const char* bound,
                                    std::int64_t value)
{
    SqliteStatement select(database, std::string("SELECT id FROM messages WHERE +id ") + bound + " ?4" +
                                         RangeSql(query, "+id"));
    BindRange(select, query);
    select.Bind(4, value);
    std::vector<std::int64_t> ids;
    while (select.Step())
        ids.push_back(select.Integer(0));
    std::sort(ids.begin(), ids.end());
    return ids;
}

// A query of negated terms only (`-rechnung`) wants the messages its
// match does not find, and FTS5 cannot take a set away from all rows. SQL's
// NOT IN over the matches would build a temporary index of them (nearly
// every message, for a common word) and probe it for each message. Instead the
// matches and the messages' ids are walked side by side, newest first. The
// ids come from the table while results keep coming; past the first
// kWalkedIds without the walk ending the rest are read at once, sorted.
class UnmatchedWalk {
public:
    UnmatchedWalk(SqliteDatabase& database, const SearchQuery& query)
        : FDatabase(database),
          FQuery(query),
          FMatched(database, "SELECT rowid FROM texts WHERE texts MATCH ?1" + RangeSql(query, "rowid") +
                                 " ORDER BY rowid DESC"),
          FNewest(database, "SELECT id FROM messages WHERE 1" + RangeSql(query, "id") + " ORDER BY id DESC")
    {
        BindQuery(FMatched, query);
        BindRange(FNewest, query);
        // While the match is open, the messages are read in its snapshot:
        // a message written or removed meanwhile is in both or in neither.
        FMore = FMatched.Step();
    }

    // The next message the match does not find, newest first.
    std::optional<std::int64_t> Next()
    {
        while (const std::optional<std::int64_t> id = NextId()) {
            while (FMore && FMatched.Integer(0) > *id)
                FMore = FMatched.Step();
            if (!FMore || FMatched.Integer(0) != *id)
                return id;
        }
        return std::nullopt;
    }

private:
    static constexpr std::size_t kWalkedIds = 4096;

    std::optional<std::int64_t> NextId()
    {
        if (FWalked < kWalkedIds) {
            if (!FNewest.Step()) {
                FWalked = kWalkedIds + 1;  // all read
                return std::nullopt;
            }
            FLast = FNewest.Integer(0);
            if (++FWalked == kWalkedIds)
                ReadOlderIds();
            return FLast;
        }
        if (FAt > 0)
            return FOlder[--FAt];
        return std::nullopt;
    }

    void ReadOlderIds()
    {
        FOlder = SortedIds(FDatabase, FQuery, "<", FLast);
        FAt = FOlder.size();
        FNewest.Reset();
    }

    SqliteDatabase& FDatabase;
    const SearchQuery& FQuery;
    SqliteStatement FMatched;
    bool FMore = false;
    SqliteStatement FNewest;
    std::size_t FWalked = 0;  // ids taken from FNewest
    std::int64_t FLast = 0;
    std::vector<std::int64_t> FOlder;  // ascending, taken from the end
    std::size_t FAt = 0;
};

// How many messages a query of found terms finds: its matches that are
// messages' ids (a row of the full-text table is no message by itself).
// The first kJoinedMatches are joined with the message table; the rest
// are compared with the message ids beyond them, read at once and sorted:
// looking up each of 100,000 matches costs more than the match itself.
std::size_t CountMatchedMessages(SqliteDatabase& database, const SearchQuery& query)
{
    constexpr std::size_t kJoinedMatches = 4096;
    const std::string match = "FROM texts WHERE texts MATCH ?1" + RangeSql(query, "rowid");
    SqliteStatement first(database, "SELECT texts.rowid, m.id IS NOT NULL FROM texts LEFT JOIN messages m "
                                    "ON m.id = texts.rowid WHERE texts MATCH ?1" +
                                        RangeSql(query, "texts.rowid") + " ORDER BY texts.rowid");
    BindQuery(first, query);
    std::size_t count = 0;
    for (std::size_t i = 0; i < kJoinedMatches; ++i) {
        if (!first.Step())
            return count;
        count += static_cast<std::size_t>(first.Integer(1));
    }
    // Read while the first statement is open: in its snapshot.
    const std::int64_t last = first.Integer(0);
    const std::vector<std::int64_t> ids = SortedIds(database, query, ">", last);
    SqliteStatement rest(database, "SELECT rowid " + match + " AND rowid > ?4 ORDER BY rowid");
    BindQuery(rest, query);
    rest.Bind(4, last);
    std::size_t at = 0;
    while (rest.Step()) {
        const std::int64_t id = rest.Integer(0);
        while (at < ids.size() && ids[at] < id)
            ++at;
        if (at < ids.size() && ids[at] == id) {
            ++count;
            ++at;
        }
    }
    return count;
}

// What a hit shows of its message, as the columns from `first` on.
constexpr const char* kHitColumns = "m.file, m.folder, m.offset, m.date, m.raw_sender, m.raw_recipient, m.raw_subject";

SearchHit HitOf(const SqliteStatement& row, int first)
{
    SearchHit hit;
    hit.file = row.Text(first);
    hit.folder = row.Text(first + 1);
    hit.info.SourceOffset = static_cast<std::uint32_t>(row.Integer(first + 2));
    hit.info.MessageDate = static_cast<std::uint64_t>(row.Integer(first + 3));
    hit.info.SenderName = row.Text(first + 4);
    hit.info.RecipientName = row.Text(first + 5);
    hit.info.Subject = row.Text(first + 6);
    return hit;
}

// A page of the messages a negated query finds; they have no snippet, as
// nothing in them matched.
std::vector<SearchHit> FindUnmatched(SqliteDatabase& database, const SearchQuery& query, std::size_t limit,
                                     std::size_t offset)
{
    std::vector<SearchHit> hits;
    if (limit == 0)
        return hits;
    UnmatchedWalk unmatched(database, query);
    SqliteStatement select(database, "SELECT " + std::string(kHitColumns) + " FROM messages m WHERE m.id = ?1");
    std::size_t skipped = 0;
    while (const std::optional<std::int64_t> id = unmatched.Next()) {
        if (skipped < offset) {
            ++skipped;
            continue;
        }
        select.Bind(1, *id);
        if (select.Step())
            hits.push_back(HitOf(select, 0));
        select.Reset();
        if (hits.size() == limit)
            break;
    }
    return hits;
}

template <typename Work>
auto Guarded(Work&& work)
{
    try {
        return work();
    } catch (const SqliteError& error) {
        if (error.Damaged() || error.Busy())
            throw;
        throw Error(std::string("Die Suche kann nicht ausgeführt werden: ") + error.what());
    }
}

}  // namespace

std::vector<SearchHit> SearchIndex::Find(const std::string& text, std::size_t limit, std::size_t offset,
                                         std::size_t withSnippet)
{
    const SearchQuery query = ParseSearchQuery(text, CurrentUtcOffsetSeconds());
    if (query.Empty())
        return {};
    if (query.negated)
        return Guarded([&] { return FindUnmatched(*FDatabase, query, limit, offset); });
    return Guarded([&] {
        std::vector<SearchHit> hits;
        std::vector<std::int64_t> ids;
        SqliteStatement select(*FDatabase, PageStatement(query, "m.id, " + std::string(kHitColumns)));
        BindPage(select, query, limit, offset);
        while (select.Step()) {
            ids.push_back(select.Integer(0));
            hits.push_back(HitOf(select, 1));
        }
        if (query.match.empty())
            return hits;  // nothing matched that a snippet could show
        // A snippet reads and splits the message's text again: the caller
        // says how many of the first results need one.
        SqliteStatement snippets(*FDatabase, PageStatement(query, "texts.rowid, snippet(texts, -1, char(2), char(3), "
                                                                  "'…', 12)"));
        BindPage(snippets, query, std::min(limit, withSnippet), offset);
        for (std::size_t i = 0; i < hits.size() && snippets.Step(); ++i) {
            if (snippets.Integer(0) == ids[i])
                SetSnippet(hits[i], snippets.Text(1));
        }
        return hits;
    });
}

std::size_t SearchIndex::Count(const std::string& text)
{
    const SearchQuery query = ParseSearchQuery(text, CurrentUtcOffsetSeconds());
    if (query.Empty())
        return 0;
    return Guarded([&] {
        if (!query.match.empty() && !query.negated)
            return CountMatchedMessages(*FDatabase, query);
        SqliteStatement count(*FDatabase, "SELECT count(*) FROM messages m WHERE 1" + RangeSql(query, "m.id"));
        BindRange(count, query);
        const std::size_t messages = count.Step() ? static_cast<std::size_t>(count.Integer(0)) : 0;
        // The messages a negated query finds are those its match does not:
        // counted while the count of all is open, in its snapshot.
        return query.negated ? messages - std::min(messages, CountMatchedMessages(*FDatabase, query)) : messages;
    });
}

}  // namespace vellumine

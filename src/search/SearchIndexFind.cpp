// The search's queries: the messages found, newest first, a page of them
// with snippets, and how many there are in all.

#include <limits>

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

// From and where of the search's SQL, over the messages the query finds;
// the id names the message in the order of its date.
struct FindSql {
    std::string from;
    std::string id;
};

FindSql FindSqlOf(const SearchQuery& query)
{
    FindSql sql;
    if (query.match.empty()) {
        sql = {"messages m WHERE 1", "m.id"};
    } else if (query.negated) {
        sql = {"messages m WHERE m.id NOT IN (SELECT rowid FROM texts WHERE texts MATCH ?1)", "m.id"};
    } else {
        sql = {"texts JOIN messages m ON m.id = texts.rowid WHERE texts MATCH ?1", "texts.rowid"};
    }
    // A message without a date is in no range of dates, open or not.
    if (query.Dated())
        sql.from += " AND " + sql.id + " >= ?2";
    if (query.until)
        sql.from += " AND " + sql.id + " < ?3";
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

void BindQuery(SqliteStatement& statement, const SearchQuery& query)
{
    if (!query.match.empty())
        statement.Bind(1, query.match);
    if (query.Dated())
        statement.Bind(2, std::max(query.from ? FirstIdOf(*query.from) : 0, kSameSecondIds));
    if (query.until)
        statement.Bind(3, FirstIdOf(*query.until));
}

void BindPage(SqliteStatement& statement, const SearchQuery& query, std::size_t limit, std::size_t offset)
{
    BindQuery(statement, query);
    statement.Bind(4, SqlCount(limit)).Bind(5, SqlCount(offset));
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

std::vector<SearchHit> SearchIndex::Find(const std::string& text, std::size_t limit, std::size_t offset)
{
    const SearchQuery query = ParseSearchQuery(text, CurrentUtcOffsetSeconds());
    if (query.Empty())
        return {};
    return Guarded([&] {
        std::vector<SearchHit> hits;
        std::vector<std::int64_t> ids;
        SqliteStatement select(*FDatabase, PageStatement(query, "m.id, m.file, m.folder, m.offset, m.date, "
                                                                "m.raw_sender, m.raw_recipient, m.raw_subject"));
        BindPage(select, query, limit, offset);
        while (select.Step()) {
            SearchHit hit;
            ids.push_back(select.Integer(0));
            hit.file = select.Text(1);
            hit.folder = select.Text(2);
            hit.info.SourceOffset = static_cast<std::uint32_t>(select.Integer(3));
            hit.info.MessageDate = static_cast<std::uint64_t>(select.Integer(4));
            hit.info.SenderName = select.Text(5);
            hit.info.RecipientName = select.Text(6);
            hit.info.Subject = select.Text(7);
            hits.push_back(std::move(hit));
        }
        if (query.match.empty() || query.negated)
            return hits;  // nothing matched that a snippet could show
        // A snippet reads and splits the message's text again: the first
        // results of the page get one, which is what a reader looks at.
        SqliteStatement snippets(*FDatabase, PageStatement(query, "texts.rowid, snippet(texts, -1, char(2), char(3), "
                                                                  "'…', 12)"));
        BindPage(snippets, query, std::min(limit, kResultsWithSnippet), offset);
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
        SqliteStatement count(*FDatabase, "SELECT count(*) FROM " + FindSqlOf(query).from);
        BindQuery(count, query);
        return count.Step() ? static_cast<std::size_t>(count.Integer(0)) : std::size_t{0};
    });
}

}  // namespace vellumine

// The search's queries: the messages found, newest first, with snippets.

#include <limits>

#include "platform/DateTime.h"
#include "search/MessageIds.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"
#include "search/SqliteDatabase.h"

namespace vellumine {
namespace {

// The snippet as one line: every run of white space one blank.
std::string OneLine(const std::string& text)
{
    std::string line;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !line.empty();
            continue;
        }
        if (blank)
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

// The search's SQL: what `columns` names, of the messages the query finds,
// newest first, at most ?4 of them.
std::string FindStatement(const SearchQuery& query, const std::string& columns)
{
    const std::string id = query.match.empty() ? "m.id" : "texts.rowid";
    std::string sql = "SELECT " + columns + " FROM " +
                      (query.match.empty() ? "messages m WHERE 1" : "texts JOIN messages m ON m.id = texts.rowid "
                                                                    "WHERE texts MATCH ?1");
    if (query.from)
        sql += " AND " + id + " >= ?2";
    if (query.until)
        sql += " AND " + id + " < ?3";
    return sql + " ORDER BY " + id + " DESC LIMIT ?4";
}

void BindQuery(SqliteStatement& statement, const SearchQuery& query, std::size_t limit)
{
    if (!query.match.empty())
        statement.Bind(1, query.match);
    if (query.from)
        statement.Bind(2, FirstIdOf(*query.from));
    if (query.until)
        statement.Bind(3, FirstIdOf(*query.until));
    statement.Bind(4, static_cast<std::int64_t>(std::min<std::size_t>(limit, std::numeric_limits<std::int32_t>::max())));
}

}  // namespace

std::vector<SearchHit> SearchIndex::Find(const std::string& text, std::size_t limit)
{
    const SearchQuery query = ParseSearchQuery(text, CurrentUtcOffsetSeconds());
    if (query.Empty())
        return {};
    std::vector<SearchHit> hits;
    std::vector<std::int64_t> ids;
    try {
        SqliteStatement select(*FDatabase, FindStatement(query, "m.id, m.file, m.folder, m.offset, m.date, "
                                                                "m.raw_sender, m.raw_recipient, m.raw_subject"));
        BindQuery(select, query, limit);
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
        if (query.match.empty())
            return hits;
        // A snippet reads and splits the message's text again: the first
        // results get one, which is what a reader looks at.
        SqliteStatement snippets(*FDatabase, FindStatement(query, "texts.rowid, snippet(texts, -1, '', '', '…', 12)"));
        BindQuery(snippets, query, std::min(limit, kResultsWithSnippet));
        for (std::size_t i = 0; i < hits.size() && snippets.Step(); ++i) {
            if (snippets.Integer(0) == ids[i])
                hits[i].snippet = OneLine(snippets.Text(1));
        }
    } catch (const SqliteError& error) {
        if (error.Damaged() || error.Busy())
            throw;
        throw Error(std::string("Die Suche kann nicht ausgeführt werden: ") + error.what());
    }
    return hits;
}

}  // namespace vellumine

#pragma once
// The message texts of the search index are kept deflated: the index holds
// every body once, and mail text shrinks to a third or less. The snippets
// read them back through the SQL function vellumine_unpack(blob).

#include <string>
#include <string_view>

struct sqlite3;

namespace vellumine {

std::string PackText(std::string_view text);
// The text of a packed blob; empty for a blob that is damaged.
std::string UnpackText(std::string_view packed);

// Makes vellumine_unpack() known to the connection.
bool RegisterUnpackFunction(sqlite3* database);

}  // namespace vellumine

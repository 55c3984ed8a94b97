#pragma once
// JSON written by hand where building a document first would cost too much
// (lists of 100,000 records) or is not worth a library (a report).

#include <string>
#include <string_view>

namespace vellumine {

// Appends `utf8` as a JSON string, as the JSON library writes it: quote,
// backslash and control characters escaped, everything else as it stands.
void AppendJsonString(std::string& out, std::string_view utf8);

inline std::string JsonString(std::string_view utf8)
{
    std::string out;
    AppendJsonString(out, utf8);
    return out;
}

}  // namespace vellumine

#include "platform/EnvironmentExpansion.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/Ascii.h"

extern char** environ;

namespace vellumine {
namespace {

std::optional<std::string> LookUpVariable(const std::string& name)
{
    if (const char* exact = std::getenv(name.c_str()))
        return std::string(exact);
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view pair(*entry);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && EqualIgnoringAsciiCase(pair.substr(0, equals), name))
            return std::string(pair.substr(equals + 1));
    }
    return std::nullopt;
}

}  // namespace

std::string ExpandEnvironmentStrings(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto open = text.find('%', at);
        if (open == std::string::npos)
            break;
        const auto close = text.find('%', open + 1);
        if (close == std::string::npos)
            break;
        out.append(text, at, open - at);
        const std::string name = text.substr(open + 1, close - open - 1);
        const auto value = name.empty() ? std::nullopt : LookUpVariable(name);
        if (value) {
            out += *value;
            at = close + 1;
        } else {
            // Windows keeps the unknown reference and reads on from its
            // closing sign, which may open the next reference.
            out.append(text, open, close - open);
            at = close;
        }
    }
    out.append(text, at, std::string::npos);
    return out;
}

}  // namespace vellumine

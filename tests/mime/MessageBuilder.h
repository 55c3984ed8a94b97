#pragma once
// Message sources for tests, written with LF and turned into CR LF.

#include <string>

namespace vellumine::testing {

inline std::string Crlf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

}  // namespace vellumine::testing

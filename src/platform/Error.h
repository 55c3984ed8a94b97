#pragma once
// Failures travel as exceptions that carry the German text the user sees.

#include <stdexcept>
#include <string>

namespace vellumine {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of a message pattern by the argument.
std::string FormatMessage(const std::string& pattern, const std::string& argument);

// "Datei %s kann nicht geöffnet werden" with the path filled in.
Error FileOpenError(const std::string& path);

}  // namespace vellumine

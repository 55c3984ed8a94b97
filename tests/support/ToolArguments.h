#pragma once
// Argument checks of the small tools that take only folders, files and
// numbers: an option or a malformed number is refused with the usage line,
// instead of being taken as a folder name ("--help" as the output folder).

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace vellumine::tools {

// True (after printing why and the usage) when an argument looks like an option.
inline bool RefusesOptions(int argc, char** argv, const char* usage)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "unknown option %s\nusage: %s\n", argv[i], usage);
            return true;
        }
    return false;
}

// The whole argument as a number greater than 0; none otherwise.
inline std::optional<unsigned long> PositiveNumber(const char* text)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value == 0 || text[0] == '-')
        return std::nullopt;
    return value;
}

}  // namespace vellumine::tools

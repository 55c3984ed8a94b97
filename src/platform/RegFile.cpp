#include "platform/RegFile.h"

#include "platform/FileAccess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "platform/Charset.h"
#include "platform/ProgramFolders.h"

namespace vellumine {
namespace {

enum class RegDialect { Regedit4, Regedit5, Wine };

// Text of the file as UTF-8, whatever it was written in.
std::string DecodeRegFileText(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return Utf16LeToUtf8(bytes.substr(2));
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Windows1252ToUtf8(bytes);
}

std::string TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// Lines with hex-list continuations ("...,\" then the rest) joined. Only a
// hex list ends in a backslash: quoted texts end in their closing quote.
std::vector<std::string> LogicalLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool continuing = false;
    while (std::getline(in, line)) {
        const std::string trimmed = TrimBlanks(line);
        if (continuing)
            lines.back() += trimmed;
        else
            lines.push_back(trimmed);
        std::string& current = lines.back();
        continuing = !current.empty() && current.back() == '\\' &&
                     current.find("=hex") != std::string::npos;
        if (continuing)
            current.pop_back();
    }
    return lines;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text starting at line[at] == '"'. Regedit escapes only the
// backslash and the quote; Wine writes C-like escapes as well.
std::string ReadQuoted(const std::string& line, std::size_t& at, RegDialect dialect)
{
    std::string out;
    ++at;
    while (at < line.size() && line[at] != '"') {
        char c = line[at++];
        if (c != '\\' || at >= line.size()) {
            out += c;
            continue;
        }
        c = line[at++];
        if (dialect != RegDialect::Wine) {
            out += c;
            continue;
        }
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case 'e': out += '\x1B'; break;
        case 'x': {
            char32_t cp = 0;
            for (int digits = 0; digits < 4 && at < line.size() && HexDigit(line[at]) >= 0; ++digits)
                cp = cp * 16 + static_cast<char32_t>(HexDigit(line[at++]));
            AppendUtf8(out, cp);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                char32_t cp = static_cast<char32_t>(c - '0');
                for (int digits = 1; digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                    cp = cp * 8 + static_cast<char32_t>(line[at++] - '0');
                AppendUtf8(out, cp);
            } else {
                out += c;
            }
        }
    }
    if (at < line.size())
        ++at;  // closing quote
    return out;
}

std::string ParseHexBytes(std::string_view list)
{
    std::string bytes;
    int high = -1;
    for (const char c : list) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            high = -1;
            continue;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    return bytes;
}

std::string StripNulTail(std::string text)
{
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

// The value's data after the '=': a string, hex(2) or str(2) as an
// expandable string, anything else as a value of another kind.
std::optional<RegistryValue> ParseValueData(const std::string& data, RegDialect dialect)
{
    using Kind = RegistryValue::Kind;
    if (data.empty())
        return std::nullopt;
    if (data.front() == '"') {
        std::size_t at = 0;
        return RegistryValue{Kind::String, ReadQuoted(data, at, dialect)};
    }
    if (data.rfind("str(2):", 0) == 0 && data.size() > 7 && data[7] == '"') {
        std::size_t at = 7;
        return RegistryValue{Kind::ExpandString, ReadQuoted(data, at, dialect)};
    }
    if (data.rfind("hex(2):", 0) == 0) {
        const std::string bytes = ParseHexBytes(std::string_view(data).substr(7));
        const std::string text = dialect == RegDialect::Regedit4
                                     ? Windows1252ToUtf8(StripNulTail(bytes))
                                     : Utf16LeToUtf8(bytes);
        return RegistryValue{Kind::ExpandString, text};
    }
    return RegistryValue{Kind::Other, {}};
}

// "HKEY_CURRENT_USER\Software\X" -> "Software\X"; other hives -> nullopt.
std::optional<std::string> CurrentUserKey(std::string key, RegDialect dialect)
{
    if (dialect == RegDialect::Wine) {
        std::string unescaped;
        for (std::size_t i = 0; i < key.size(); ++i) {
            if (key[i] == '\\' && i + 1 < key.size() && key[i + 1] == '\\')
                ++i;
            unescaped += key[i];
        }
        return unescaped;
    }
    for (const char* hive : {"HKEY_CURRENT_USER", "HKCU"}) {
        const std::string prefix = hive;
        if (FoldKeyPath(key.substr(0, prefix.size())) == FoldKeyPath(prefix) &&
            (key.size() == prefix.size() || key[prefix.size()] == '\\'))
            return key.substr(prefix.size());
    }
    return std::nullopt;
}

}  // namespace

MemoryRegistry ParseRegFile(std::string_view fileBytes)
{
    MemoryRegistry registry;
    const std::string text = DecodeRegFileText(fileBytes);
    RegDialect dialect = RegDialect::Regedit5;
    std::optional<std::string> currentKey;
    bool firstLine = true;
    for (const std::string& line : LogicalLines(text)) {
        if (firstLine && !line.empty()) {
            firstLine = false;
            if (line == "REGEDIT4") { dialect = RegDialect::Regedit4; continue; }
            if (line.rfind("WINE REGISTRY", 0) == 0) { dialect = RegDialect::Wine; continue; }
            if (line.rfind("Windows Registry Editor", 0) == 0) continue;
        }
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const auto close = line.rfind(']');
            if (close == std::string::npos) { currentKey.reset(); continue; }
            std::string key = line.substr(1, close - 1);
            const bool deletes = !key.empty() && key[0] == '-';
            currentKey = CurrentUserKey(deletes ? key.substr(1) : key, dialect);
            if (currentKey && deletes) {
                registry.DeleteKey(*currentKey);
                currentKey.reset();
            } else if (currentKey) {
                registry.CreateKey(*currentKey);
            }
            continue;
        }
        if (!currentKey)
            continue;
        std::string name;
        std::size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (line[0] == '"') {
            name = ReadQuoted(line, at, dialect);
        } else {
            continue;
        }
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size() || line[at] != '=')
            continue;
        const std::string data = TrimBlanks(std::string_view(line).substr(at + 1));
        if (data == "-") {
            registry.DeleteValue(*currentKey, name);
        } else if (auto value = ParseValueData(data, dialect)) {
            registry.SetValue(*currentKey, name, std::move(*value));
        }
    }
    return registry;
}

std::string UserRegistryFilePath()
{
    namespace fs = std::filesystem;
    const char* home = std::getenv("HOME");
    const std::string homeDir = home ? home : "";
    std::error_code ignored;
    const std::string own = UserConfigFolder() + "user.reg";
    if (fs::is_regular_file(own, ignored))
        return own;
    const char* prefix = std::getenv("WINEPREFIX");
    const std::string wine = ((prefix && *prefix) ? std::string(prefix) : homeDir + "/.wine") + "/user.reg";
    if (fs::is_regular_file(wine, ignored))
        return wine;
    return {};
}

std::unique_ptr<Registry> LoadUserRegistry()
{
    const std::string path = UserRegistryFilePath();
    if (path.empty())
        return std::make_unique<MemoryRegistry>();
    return std::make_unique<MemoryRegistry>(ParseRegFile(ReadFileBytes(path).value_or(std::string())));
}

}  // namespace vellumine

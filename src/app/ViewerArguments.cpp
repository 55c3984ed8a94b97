#include "app/ViewerArguments.h"

#include <algorithm>
#include <filesystem>

#include "platform/Ascii.h"
#include "platform/Version.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;

struct ArgumentHelp {
    const char* term;  // as --help shows it
    const char* manTerm;  // the same in scdoc markup
    const char* description;
};

constexpr ArgumentHelp kArguments[] = {
    {"ORDNER", "_ORDNER_", "der Ordner einer Postablage (folders.dbx und die .dbx-Dateien der Ordner)"},
    {"DATEI.dbx", "_DATEI_.dbx", "eine Datei einer Postablage: ihre Ablage wird geöffnet und ihr Ordner gezeigt"},
    {"--version", "*--version*", "die Versionsnummer zeigen und beenden"},
    {"-h, --help", "*-h*, *--help*", "diese Hilfe zeigen und beenden"},
};

bool IsOption(const std::string& argument)
{
    return argument.size() > 1 && argument.front() == '-';
}

bool NamesStoreFile(const std::string& path)
{
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return false;
    if (fs::is_regular_file(path, ignored))
        return true;
    return path.size() > 4 && EqualIgnoringAsciiCase(std::string_view(path).substr(path.size() - 4), ".dbx");
}

// Absolute, without "." or ".." and without a trailing slash.
std::string StoreFolderOf(const std::string& path)
{
    std::error_code ignored;
    fs::path folder = fs::absolute(path, ignored).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    if (NamesStoreFile(path))
        folder = folder.parent_path();
    return folder.string();
}

}  // namespace

ViewerRequest ReadViewerArguments(const std::vector<std::string>& arguments)
{
    using Kind = ViewerRequest::Kind;
    for (const std::string& argument : arguments) {
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h")
            return {Kind::ShowHelp, {}, {}, {}};
        if (argument == "--version")
            return {Kind::ShowVersion, {}, {}, {}};
        if (argument == "--man-page")
            return {Kind::ShowManPageOptions, {}, {}, {}};
    }
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && IsOption(argument))
            return {Kind::Refuse, {}, {}, "Unbekannte Option: " + argument};
        paths.push_back(argument);
    }
    if (paths.size() > 1)
        return {Kind::Refuse, {}, {}, "Es kann nur ein Ordner oder eine .dbx-Datei geöffnet werden"};
    if (paths.empty() || paths.front().empty())
        return {Kind::OpenStore, {}, {}, {}};
    const std::string& path = paths.front();
    const std::string startFile = NamesStoreFile(path) ? fs::path(path).filename().string() : std::string();
    return {Kind::OpenStore, StoreFolderOf(path), startFile, {}};
}

std::string ViewerVersionText()
{
    return std::string("vellumine ") + kVellumineVersion;
}

std::string ViewerHelpText()
{
    std::string text =
        "Aufruf: vellumine [ORDNER | DATEI.dbx]\n"
        "Zeigt, druckt, speichert und exportiert die Nachrichten einer Postablage von Outlook Express.\n"
        "Ohne Argument wird die Postablage geöffnet, die die Registry nennt.\n\n";
    for (const ArgumentHelp& argument : kArguments) {
        std::string term = argument.term;
        term.resize(std::max<std::size_t>(term.size() + 2, 14), ' ');
        text += "  " + term + argument.description + "\n";
    }
    return text;
}

std::string ViewerManPageOptions()
{
    std::string text;
    for (const ArgumentHelp& argument : kArguments)
        text += std::string(argument.manTerm) + "\n\t" + argument.description + ".\n\n";
    return text;
}

}  // namespace vellumine

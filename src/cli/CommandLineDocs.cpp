#include "cli/CommandLineDocs.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "platform/Version.h"

namespace vellumine::cli {
namespace {

// What the docs need of one option or positional argument.
struct ArgumentDoc {
    std::vector<std::string> names;  // "-h", "--help"; the name of a positional
    bool positional = false;
    bool takesValue = false;
    bool required = false;
    bool numeric = false;
    bool several = false;  // a list, "N,N,..."
    std::vector<std::string> choices;  // from an IsMember check
    std::string description;
};

// CLI11 writes an IsMember check into the type name: "TEXT:{html,text}".
std::vector<std::string> ChoicesOf(const std::string& typeName)
{
    std::vector<std::string> choices;
    const auto open = typeName.find(":{");
    const auto close = typeName.find('}', open);
    if (open == std::string::npos || close == std::string::npos)
        return choices;
    std::istringstream list(typeName.substr(open + 2, close - open - 2));
    for (std::string choice; std::getline(list, choice, ',');)
        if (!choice.empty())
            choices.push_back(choice);
    return choices;
}

ArgumentDoc DocOf(const CLI::Option& option)
{
    ArgumentDoc doc;
    doc.positional = !option.nonpositional();
    if (doc.positional) {
        doc.names.push_back(option.get_name(true));
    } else {
        for (const auto& name : option.get_snames())
            doc.names.push_back("-" + name);
        for (const auto& name : option.get_lnames())
            doc.names.push_back("--" + name);
    }
    doc.takesValue = doc.positional || option.get_expected_max() > 0;
    doc.required = option.get_required();
    doc.several = !doc.positional && option.get_items_expected_max() > 1;
    const std::string typeName = option.get_type_name();
    doc.numeric = typeName.rfind("INT", 0) == 0 || typeName.rfind("UINT", 0) == 0 || typeName.rfind("FLOAT", 0) == 0;
    doc.choices = ChoicesOf(typeName);
    doc.description = option.get_description();
    return doc;
}

// The options of a command that a user may give, its positional arguments
// first; hidden ones (no group) left out, and --help, which the global
// options name once, left out of each command.
std::vector<ArgumentDoc> ArgumentsOf(const CLI::App& command, bool withHelp = false)
{
    std::vector<ArgumentDoc> docs;
    for (const bool positional : {true, false})
        for (const CLI::Option* option : command.get_options())
            if (!option->get_group().empty() && option->nonpositional() != positional &&
                (withHelp || option != command.get_help_ptr()))
                docs.push_back(DocOf(*option));
    return docs;
}

std::vector<const CLI::App*> CommandsOf(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App*) { return true; });
}

// scdoc reads "*", "_" and "\" as markup.
std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '*' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string Joined(const std::vector<std::string>& items, const std::string& separator)
{
    std::string joined;
    for (const auto& item : items)
        joined += (joined.empty() ? "" : separator) + item;
    return joined;
}

std::string ValueText(const ArgumentDoc& doc)
{
    if (!doc.choices.empty())
        return Escaped(Joined(doc.choices, "|"));
    const std::string value = doc.numeric ? "_N_" : "_WERT_";
    return doc.several ? value + "," + value + ",..." : value;
}

// "*--format* html|text|mixed", "_FILE_", "*-h*, *--help*".
std::string Term(const ArgumentDoc& doc)
{
    if (doc.positional)
        return "_" + Escaped(doc.names.front()) + "_";
    std::vector<std::string> names;
    for (const auto& name : doc.names)
        names.push_back("*" + Escaped(name) + "*");
    std::string term = Joined(names, ", ");
    if (doc.takesValue)
        term += " " + ValueText(doc);
    return term;
}

std::string Usage(const CLI::App& command, const std::vector<ArgumentDoc>& arguments)
{
    std::string usage = "*vellumine-cli* [_OPTIONEN_] *" + Escaped(command.get_name()) + "*";
    for (const auto& doc : arguments)
        if (doc.positional)
            usage += doc.required ? " " + Term(doc) : " [" + Term(doc) + "]";
    for (const auto& doc : arguments)
        if (!doc.positional)
            usage += " [" + Term(doc) + "]";
    return usage;
}

void WriteArguments(std::ostringstream& out, const std::vector<ArgumentDoc>& arguments)
{
    for (const auto& doc : arguments)
        out << Term(doc) << "\n\t" << Escaped(doc.description) << "\n\n";
}

std::string BashWords(const std::vector<ArgumentDoc>& arguments)
{
    std::vector<std::string> words;
    for (const auto& doc : arguments)
        if (!doc.positional)
            words.insert(words.end(), doc.names.begin(), doc.names.end());
    return Joined(words, " ");
}

// The case branches for the value after an option: a fixed choice, file
// names for text, nothing to offer for numbers.
void WriteValueCases(std::ostringstream& out, const std::string& command, const std::vector<ArgumentDoc>& arguments)
{
    for (const auto& doc : arguments) {
        if (doc.positional || !doc.takesValue)
            continue;
        std::vector<std::string> patterns;
        for (const auto& name : doc.names)
            patterns.push_back(command + ":" + name);
        out << "        " << Joined(patterns, "|") << ")\n            ";
        if (!doc.choices.empty())
            out << "COMPREPLY=($(compgen -W '" << Joined(doc.choices, " ") << "' -- \"$cur\"))";
        else if (!doc.numeric)
            out << "_filedir";
        out << "\n            return ;;\n";
    }
}

}  // namespace

void AddProgramFlags(CLI::App& app)
{
    app.set_help_flag("-h,--help", "diese Hilfe zeigen und beenden");
    app.set_version_flag("--version", std::string("vellumine-cli ") + kVellumineVersion,
                         "die Versionsnummer zeigen und beenden");
    app.add_flag_callback("--man-page", [&app] {
           std::cout << ManPageCommands(app);
           throw CLI::Success();
       })
        ->group("");
    app.add_flag_callback("--bash-completion", [&app] {
           std::cout << BashCompletion(app);
           throw CLI::Success();
       })
        ->group("");
}

std::string ManPageCommands(const CLI::App& app)
{
    std::ostringstream out;
    out << "# OPTIONEN\n\n";
    WriteArguments(out, ArgumentsOf(app, true));
    out << "# BEFEHLE\n\n";
    for (const CLI::App* command : CommandsOf(app)) {
        const auto arguments = ArgumentsOf(*command);
        out << "## " << Escaped(command->get_name()) << "\n\n"
            << Usage(*command, arguments) << "\n\n"
            << Escaped(command->get_description()) << ".\n\n";
        WriteArguments(out, arguments);
    }
    return out.str();
}

std::string BashCompletion(const CLI::App& app)
{
    std::vector<std::string> commandNames;
    for (const CLI::App* command : CommandsOf(app))
        commandNames.push_back(command->get_name());
    const std::string commands = Joined(commandNames, " ");

    std::ostringstream out;
    out << "# bash completion for vellumine-cli " << kVellumineVersion << ", made from its command line\n"
        << "_vellumine_cli()\n{\n"
        << "    local cur prev words cword\n"
        << "    _init_completion || return\n"
        << "    local command='' i\n"
        << "    for ((i = 1; i < cword; i++)); do\n"
        << "        case ${words[i]} in\n"
        << "        " << Joined(commandNames, "|") << ")\n"
        << "            command=${words[i]}\n"
        << "            break ;;\n"
        << "        esac\n"
        << "    done\n"
        << "    case $command:$prev in\n";
    WriteValueCases(out, "", ArgumentsOf(app));
    for (const CLI::App* command : CommandsOf(app))
        WriteValueCases(out, command->get_name(), ArgumentsOf(*command));
    out << "    esac\n"
        << "    local options\n"
        << "    case $command in\n"
        << "    '')\n"
        << "        COMPREPLY=($(compgen -W '" << BashWords(ArgumentsOf(app, true)) << " " << commands
        << "' -- \"$cur\"))\n"
        << "        return ;;\n";
    for (const CLI::App* command : CommandsOf(app))
        out << "    " << command->get_name() << ") options='" << BashWords(ArgumentsOf(*command, true)) << "' ;;\n";
    out << "    esac\n"
        << "    if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        << "    else\n"
        << "        _filedir\n"
        << "    fi\n"
        << "}\n"
        << "complete -F _vellumine_cli vellumine-cli\n";
    return out.str();
}

}  // namespace vellumine::cli

#pragma once
// The flags every run of vellumine-cli knows besides its commands, and the
// texts made from the command line's own definition: the commands part of
// the man page and the bash completion. Made from the definition, they never
// fall behind the options the program takes.

#include <CLI/CLI.hpp>
#include <string>

namespace vellumine::cli {

// --help and --version in German, and two hidden flags the build uses:
// --man-page prints ManPageCommands, --bash-completion BashCompletion, each
// of the whole command line as it stands when the flag is read.
void AddProgramFlags(CLI::App& app);

// The global options and each command with its arguments and options, as
// scdoc text (sections "OPTIONEN" and "BEFEHLE").
std::string ManPageCommands(const CLI::App& app);

// A bash completion script for the program: commands, their options, the
// values of options with a fixed choice, and file names elsewhere.
std::string BashCompletion(const CLI::App& app);

}  // namespace vellumine::cli

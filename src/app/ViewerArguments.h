#pragma once
// The viewer's command line: a store folder, or one file of a store (as a
// file manager hands over folders.dbx or Posteingang.dbx), whose folder is
// then opened; --version and --help. The help text and the man page's
// options are made from one table, so they say the same.

#include <string>
#include <vector>

namespace vellumine {

struct ViewerRequest {
    enum class Kind { OpenStore, ShowVersion, ShowHelp, ShowManPageOptions, Refuse };
    Kind kind = Kind::OpenStore;
    std::string storeFolder;  // OpenStore: absolute; empty: the store the registry names
    std::string startFile;    // OpenStore: the folder file given, whose folder is shown first; may be empty
    std::string problem;      // Refuse: what is wrong, in German
};

// `arguments` without the program's own name. --help and --version win
// over everything else before a "--".
ViewerRequest ReadViewerArguments(const std::vector<std::string>& arguments);

// "vellumine 1.0"
std::string ViewerVersionText();

// The text of --help, ending in a line break.
std::string ViewerHelpText();

// The arguments and options as scdoc text, for the man page.
std::string ViewerManPageOptions();

}  // namespace vellumine

#pragma once
// Where the programs find what they bring along (the design templates) and
// where they keep their small state files. Everything is found relative to
// the running program, so an installed copy can be moved to another prefix.

#include <string>

namespace vellumine {

// The folder of the running program, ending in a slash.
std::string ProgramDirectory();

// The design templates: "vorlagen/" beside the program (the build tree, a
// copy unpacked into one folder) when it is there, else the installed data
// folder "../share/vellumine/vorlagen/" next to the program's bin folder.
// When neither exists, the folder beside the program, which then lists no
// templates. Ends in a slash.
std::string TemplateFolderFor(const std::string& programDir);
std::string TemplateFolder();

// The user's own configuration folder of the programs:
// $XDG_CONFIG_HOME/vellumine/ (an absolute value only), else
// ~/.config/vellumine/. Ends in a slash; not created here.
std::string UserConfigFolder();

// The folder of the small settings files (options.dat, stores.txt and the
// like), ending in a slash. A copy that keeps its templates beside itself
// keeps its settings there too while that folder is writable; an installed
// copy, or one whose folder is not writable, uses UserConfigFolder(),
// which is created (0700) when missing.
std::string SettingsFolderFor(const std::string& programDir);
std::string SettingsFolder();

}  // namespace vellumine

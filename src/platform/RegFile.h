#pragma once
// Registry files: the text of a Windows ".reg" export (REGEDIT4 or
// "Windows Registry Editor Version 5.00") and Wine's own "user.reg".

#include <memory>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace vellumine {

// Reads the keys of the current-user hive from a registry file's bytes.
// Keys of other hives are passed over; lines it cannot read are skipped.
MemoryRegistry ParseRegFile(std::string_view fileBytes);

// The registry file that stands in for the current-user hive:
// UserConfigFolder() + "user.reg" ($XDG_CONFIG_HOME/vellumine/, default ~/.config/vellumine/),
// else $WINEPREFIX/user.reg (default ~/.wine/user.reg). Empty when neither exists.
std::string UserRegistryFilePath();

// The registry from UserRegistryFilePath(); an empty one when there is none.
std::unique_ptr<Registry> LoadUserRegistry();

}  // namespace vellumine

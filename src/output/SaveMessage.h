#pragma once
// One message saved as an .eml file: its source, byte for byte.

#include <string>

#include "output/OutputFileName.h"
#include "store/MessageFields.h"

namespace vellumine {

// Raises FileNotCreated when the file cannot be created; the run shows the
// message and goes on with the next message.
CreatedFile SaveMessageAsEml(const std::string& folder, const std::string& source, const HeaderFields& fields,
                             bool withDate, UniqueFileNamer* names = nullptr);

}  // namespace vellumine

#pragma once
// A whole store described in JSON and written as folders.dbx plus one file
// per folder that has messages:
//
// {"folders": [{"id": 1, "parent": 0, "name": "Posteingang", "file": "Posteingang.dbx",
//               "special": true,
//               "messages": [{"source": "nachrichten/gruss.eml", "date": "2003-12-24T13:05:06Z",
//                             "from": "Anna", "to": "Bernd", "subject": "Grüße"}]}]}
//
// Texts are UTF-8 in the description and Windows-1252 in the store; source
// paths are relative to the description's folder and copied byte for byte.
// A folder file is written under the name folders.dbx records (Windows-1252
// bytes), or, with "fileOnDisk", under that name as given (UTF-8 or another
// case, as a store copied to Linux has it).

#include <string>

namespace vellumine::storewriter {

void WriteStoreFromDescription(const std::string& descriptionPath, const std::string& outputFolder);

}  // namespace vellumine::storewriter

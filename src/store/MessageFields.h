#pragma once
// The four texts of a message record as the header block, the message
// window and file names use them: 8-bit as stored, the date as the list
// shows it.

#include <string>

#include "store/StoreRecords.h"

namespace vellumine {

struct HeaderFields {
    std::string sender;
    std::string recipient;
    std::string subject;
    std::string dateText;
    bool incomplete = false;  // a rescued message with its first bytes or its tail lost
};

HeaderFields HeaderFieldsOf(const Toe5_MessageInfo& info);

}  // namespace vellumine

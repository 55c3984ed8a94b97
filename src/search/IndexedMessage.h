#pragma once
// What the search index keeps of one message: where it is, its date, its
// list texts as stored, and the texts it is found by, all UTF-8: sender
// and recipients (the record's names and the header addresses), subject,
// the text of the page as plain text (the body and what is shown after it,
// attached messages with their headers) and the names of its attachments
// and of those of its attached messages.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/StoreRecords.h"

namespace vellumine {

struct IndexedMessage {
    std::string folder;
    std::string sender;
    std::string recipients;
    std::string subject;
    std::string body;
    std::string attachments;  // one name a line
};

// The texts of the message whose record is `info` and whose source is
// `source` (empty when it could not be read: the record's texts alone).
IndexedMessage IndexedMessageOf(const Toe5_MessageInfo& info, std::string_view source, const std::string& folder);

}  // namespace vellumine

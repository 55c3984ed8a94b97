#pragma once
// The order of the message list: by sender, recipient, subject (texts
// compared with a to z upper-cased) or date (the date value, not its text),
// ascending or descending.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "store/StoreRecords.h"

namespace vellumine {

enum SortColumn { kColumnFrom = 0, kColumnTo = 1, kColumnSubject = 2, kColumnDate = 3 };

// One row of the list: the record's index and its date value, made once
// when the folder is loaded (the date text is made when a row is shown).
struct MessageRow {
    std::size_t messageIndex = 0;
    TDateTime date = 0;
};

std::vector<MessageRow> MakeMessageRows(const std::vector<Toe5_MessageInfo>& messages);

// ListView1Compare for two rows of `messages`.
int CompareMessageRows(const std::vector<Toe5_MessageInfo>& messages, const MessageRow& a, const MessageRow& b,
                       int column, bool descending);

// Sorts the rows; equal keys keep their order.
void SortMessageRows(const std::vector<Toe5_MessageInfo>& messages, std::vector<MessageRow>& rows, int column,
                     bool descending);

}  // namespace vellumine

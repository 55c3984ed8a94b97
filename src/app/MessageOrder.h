#pragma once
// The order of the message list: by sender, recipient, subject (texts
// compared with a to z upper-cased), date (the date value, not its text) or
// whether a message carries attachments, ascending or descending.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "store/StoreRecords.h"

namespace vellumine {

enum SortColumn { kColumnFrom = 0, kColumnTo = 1, kColumnSubject = 2, kColumnDate = 3, kColumnAttachments = 4 };

// What the list knows of a message's attachments; found out after the list
// is shown, so most start as Unknown.
enum class AttachmentMark : std::uint8_t { Unknown, None, Some };

// Per message (by its index in the records), for sorting by the column.
using AttachmentMarks = std::vector<AttachmentMark>;

// One row of the list: the record's index and its date value, made once
// when the folder is loaded (the date text is made when a row is shown).
struct MessageRow {
    std::size_t messageIndex = 0;
    TDateTime date = 0;
};

std::vector<MessageRow> MakeMessageRows(const std::vector<Toe5_MessageInfo>& messages);

// ListView1Compare for two rows of `messages`. By the attachments column,
// ascending puts the messages with attachments first (as a click on the
// paperclip is meant), newest first among equals; `marks` may be null or
// shorter than the records (Unknown then).
int CompareMessageRows(const std::vector<Toe5_MessageInfo>& messages, const MessageRow& a, const MessageRow& b,
                       int column, bool descending, const AttachmentMarks* marks = nullptr);

// Sorts the rows; equal keys keep their order.
void SortMessageRows(const std::vector<Toe5_MessageInfo>& messages, std::vector<MessageRow>& rows, int column,
                     bool descending, const AttachmentMarks* marks = nullptr);

}  // namespace vellumine

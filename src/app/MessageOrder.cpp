#include "app/MessageOrder.h"

#include <algorithm>

#include "store/TextOrder.h"
#include "store/FileTime.h"

namespace vellumine {
namespace {

const std::string& TextKey(const Toe5_MessageInfo& message, int column)
{
    switch (column) {
    case kColumnFrom: return message.SenderName;
    case kColumnTo: return message.RecipientName;
    default: return message.Subject;
    }
}

int CompareDates(TDateTime a, TDateTime b)
{
    const double difference = a - b;
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

bool HasAttachments(const AttachmentMarks* marks, std::size_t messageIndex)
{
    return marks && messageIndex < marks->size() && (*marks)[messageIndex] == AttachmentMark::Some;
}

int CompareAscending(const std::vector<Toe5_MessageInfo>& messages, const MessageRow& a, const MessageRow& b,
                     int column, const AttachmentMarks* marks)
{
    if (column == kColumnDate)
        return CompareDates(a.date, b.date);
    if (column == kColumnAttachments) {
        const bool aHas = HasAttachments(marks, a.messageIndex);
        const bool bHas = HasAttachments(marks, b.messageIndex);
        if (aHas != bHas)
            return aHas ? -1 : 1;
        return CompareDates(b.date, a.date);
    }
    return CompareUpperAscii(TextKey(messages[a.messageIndex], column), TextKey(messages[b.messageIndex], column));
}

}  // namespace

std::vector<MessageRow> MakeMessageRows(const std::vector<Toe5_MessageInfo>& messages)
{
    std::vector<MessageRow> rows(messages.size());
    const std::int64_t utcOffset = CurrentUtcOffsetSeconds();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        rows[i].messageIndex = i;
        rows[i].date = FileTimeToDateTime(messages[i].MessageDate, utcOffset);
    }
    return rows;
}

int CompareMessageRows(const std::vector<Toe5_MessageInfo>& messages, const MessageRow& a, const MessageRow& b,
                       int column, bool descending, const AttachmentMarks* marks)
{
    return descending ? CompareAscending(messages, b, a, column, marks)
                      : CompareAscending(messages, a, b, column, marks);
}

void SortMessageRows(const std::vector<Toe5_MessageInfo>& messages, std::vector<MessageRow>& rows, int column,
                     bool descending, const AttachmentMarks* marks)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const MessageRow& a, const MessageRow& b) {
        return CompareMessageRows(messages, a, b, column, descending, marks) < 0;
    });
}

}  // namespace vellumine

#include "store/MessageFields.h"

#include "platform/DateTime.h"
#include "store/FileTime.h"

namespace vellumine {

HeaderFields HeaderFieldsOf(const Toe5_MessageInfo& info)
{
    return {info.SenderName, info.RecipientName, info.Subject, DateTimeText(FileTimeToDateTime(info.MessageDate)),
            info.Rescue.incomplete};
}

}  // namespace vellumine

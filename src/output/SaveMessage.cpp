#include "output/SaveMessage.h"

namespace vellumine {

CreatedFile SaveMessageAsEml(const std::string& folder, const std::string& source, const HeaderFields& fields,
                             bool withDate, UniqueFileNamer* names)
{
    BaseName base = MakeBaseName(fields.subject, fields.dateText, withDate);
    if (fields.incomplete)
        base.markPart = kIncompleteMark;
    if (names)
        return names->Create(folder, base, ".eml", source);
    return CreateUniqueFile(folder, base, ".eml", source);
}

}  // namespace vellumine

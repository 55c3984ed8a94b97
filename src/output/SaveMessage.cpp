#include "output/SaveMessage.h"

namespace vellumine {

CreatedFile SaveMessageAsEml(const std::string& folder, const std::string& source, const HeaderFields& fields,
                             bool withDate)
{
    return CreateUniqueFile(folder, MakeBaseName(fields.subject, fields.dateText, withDate), ".eml", source);
}

}  // namespace vellumine

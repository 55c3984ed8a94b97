#pragma once
// What a page is made with, as plain values: the template file and the four
// header-row switches (the message's texts are HeaderFields).

#include <string>

#include "store/MessageFields.h"

namespace vellumine {

struct PageDesign {
    std::string templatePath;  // empty or unreadable: the page goes without a template
    bool showFrom = true;      // "Von-Feld"
    bool showTo = true;        // "An-Feld"
    bool showDate = true;      // "Datum-Feld"
    bool showSubject = true;   // "Betreff-Feld"
};

}  // namespace vellumine

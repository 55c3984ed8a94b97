#pragma once
// What a page is made with, as plain values: the template file and the four
// header-row switches, and the four texts of the message's store record.

#include <string>

namespace vellumine {

struct Toe5_MessageInfo;

struct PageDesign {
    std::string templatePath;  // empty or unreadable: the page goes without a template
    bool showFrom = true;      // "Von-Feld"
    bool showTo = true;        // "An-Feld"
    bool showDate = true;      // "Datum-Feld"
    bool showSubject = true;   // "Betreff-Feld"
};

// The store record's texts as the header block and file names use them
// (8-bit, as stored); the date as the list shows it.
struct HeaderFields {
    std::string sender;
    std::string recipient;
    std::string subject;
    std::string dateText;
};

HeaderFields HeaderFieldsOf(const Toe5_MessageInfo& info);

}  // namespace vellumine

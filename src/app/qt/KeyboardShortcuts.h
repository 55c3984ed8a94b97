#pragma once
// The keys of the main window, in one table: the window binds them and the
// information dialog lists them.

#include <QString>
#include <vector>

namespace vellumine {

struct ShortcutEntry {
    QString keys;         // as the information dialog shows them
    QString description;  // what they do
};

const std::vector<ShortcutEntry>& MainWindowShortcuts();

// The table as the lines of a label: "Strg+P – Markierte eMails drucken".
QString ShortcutListText();

}  // namespace vellumine

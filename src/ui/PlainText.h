#pragma once
// Store and message text on its way into widgets. Tooltips and labels of
// automatic format take text that looks like markup as rich text: a subject
// "<img src=...>" would load a file, "<h1>" would become a heading. What
// comes from the store or a message goes through these first.

#include <QString>

namespace vellumine {

// For a tooltip or any text that may be read as rich text: the text shown
// as written, line breaks kept, nothing loaded.
QString PlainTipText(const QString& text);

// For a window title: "[*]" stays as written instead of being the
// placeholder of the modified mark.
QString PlainTitleText(const QString& text);

// For a menu entry: "&" stays as written instead of marking a shortcut key.
QString PlainMenuText(const QString& text);

}  // namespace vellumine

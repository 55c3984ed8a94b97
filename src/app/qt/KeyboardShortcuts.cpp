#include "app/qt/KeyboardShortcuts.h"

#include <QStringList>

namespace vellumine {

const std::vector<ShortcutEntry>& MainWindowShortcuts()
{
    static const std::vector<ShortcutEntry> table = {
        {QStringLiteral("Eingabe"), QStringLiteral("Nachricht im eigenen Fenster öffnen")},
        {QStringLiteral("Strg+P"), QStringLiteral("Markierte eMails drucken")},
        {QStringLiteral("Strg+S"), QStringLiteral("Markierte eMails speichern")},
        {QStringLiteral("Strg+E"), QStringLiteral("Markierte eMails exportieren")},
        {QStringLiteral("Strg+U"), QStringLiteral("Quelltext der Nachricht anzeigen")},
        {QStringLiteral("Strg+O"), QStringLiteral("Postablage öffnen")},
        {QStringLiteral("Strg+F"), QStringLiteral("Suchen")},
        {QStringLiteral("Strg+A"), QStringLiteral("Alle Nachrichten markieren")},
        {QStringLiteral("F5"), QStringLiteral("Ordner neu einlesen")},
        {QStringLiteral("Strg+Plus, Strg+Minus, Strg+0, Strg+Mausrad"), QStringLiteral("Vorschau vergrößern, verkleinern, zurücksetzen")},
        {QStringLiteral("Esc"), QStringLiteral("Nachrichtenfenster schließen")},
    };
    return table;
}

QString ShortcutListText()
{
    QStringList lines;
    for (const ShortcutEntry& entry : MainWindowShortcuts())
        lines << entry.keys + QString::fromUtf8(" – ") + entry.description;
    return lines.join('\n');
}

}  // namespace vellumine

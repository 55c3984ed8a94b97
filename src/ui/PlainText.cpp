#include "ui/PlainText.h"

#include <QTextDocument>

namespace vellumine {

QString PlainTipText(const QString& text)
{
    if (text.isEmpty())
        return text;  // no tooltip at all, not an empty paragraph
    // Escaped and framed as a paragraph, the text is rich text that holds
    // nothing but itself.
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString PlainTitleText(const QString& text)
{
    QString title = text;
    return title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QString PlainMenuText(const QString& text)
{
    QString entry = text;
    return entry.replace('&', QStringLiteral("&&"));
}

}  // namespace vellumine

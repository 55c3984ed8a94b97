#pragma once
// The program's pictures from its resource file.

#include <QIcon>
#include <QString>

namespace vellumine {

inline QIcon ResourceIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/") + QString::fromUtf8(name));
}

}  // namespace vellumine

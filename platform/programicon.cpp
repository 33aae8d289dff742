#include "platform/programicon.h"

#include <QFileInfo>

namespace rt {

QString programIconPath(const QString& resDir, int size)
{
    return resDir + QStringLiteral("/icons/melodune-%1.png").arg(size);
}

QIcon programIcon(const QString& resDir)
{
    QIcon icon;
    for (int size : ProgramIconSizes)
        if (const QString path = programIconPath(resDir, size); QFileInfo::exists(path))
            icon.addFile(path, QSize(size, size));
    return icon;
}

} // namespace rt

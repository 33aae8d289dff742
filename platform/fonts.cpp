#include "platform/fonts.h"

#include <QFont>
#include <QStringList>

namespace rt {

void installFontSubstitutions()
{
    // Serif faces (Song/Ming) and sans faces (Hei/Yahei) of Simplified Chinese.
    const QStringList serif{"Noto Serif CJK SC", "Noto Sans CJK SC"};
    const QStringList sans{"Noto Sans CJK SC", "Noto Serif CJK SC"};
    for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun", "仿宋", "楷体", "FangSong", "KaiTi"})
        QFont::insertSubstitutions(QString::fromUtf8(name), serif);
    for (const char* name : {"黑体", "微软雅黑", "SimHei", "Microsoft YaHei", "幼圆", "Tahoma", "MS Sans Serif"})
        QFont::insertSubstitutions(QString::fromUtf8(name), sans);
}

} // namespace rt

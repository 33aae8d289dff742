#include "platform/fonts.h"

#include <QApplication>
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
    for (const char* name :
         {"黑体", "微软雅黑", "SimHei", "Microsoft YaHei", "幼圆", "Tahoma", "MS Sans Serif", "Verdana"})
        QFont::insertSubstitutions(QString::fromUtf8(name), sans);
}

void installChineseFallbackFont()
{
    QFont f = QApplication::font();
    QStringList families = f.families();
    if (families.isEmpty())
        families << f.family();
    if (!families.contains(QStringLiteral("Noto Sans CJK SC")))
        families << QStringLiteral("Noto Sans CJK SC");
    f.setFamilies(families);
    QApplication::setFont(f);
}

} // namespace rt

#include "controls/buttondata.h"

#include <QDir>
#include <QFont>

namespace melodune {

namespace {
constexpr const char* MainFont = "宋体";
constexpr double MainPoints = 9;
} // namespace

const std::vector<ButtonData>& buttonDataTable()
{
    static const std::vector<ButtonData> table = {
        // The main window: style 8 but for buttons 1, 2, 22, 23 and 24 (style 2),
        // all stored disabled.
        {"frmMain", "XPButton1", 2, " ", "btn_previous.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton2", 2, " ", "btn_next.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton3", 8, " ", "btn_offset_minus.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton4", 8, " ", "btn_offset_plus.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton5", 8, "修改歌词", "btn_edit_lyrics.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton6", 8, " ", "btn_record.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton7", 8, " ", "btn_play_recording.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton8", 8, " 停 止 ", "btn_stop_recording.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton9", 8, " ", "btn_add.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton10", 8, " ", "btn_list_up.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton11", 8, " ", "btn_list_down.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton12", 8, " ", "btn_play.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton13", 8, " ", "btn_stop.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton14", 8, " ", "btn_delete.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton15", 8, " ", "btn_home_page.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton16", 8, " ", "btn_settings.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton17", 8, " ", "btn_volume.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton18", 8, " ", "btn_pause.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton19", 8, " ", "btn_reload_lyrics.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton20", 8, " ", "btn_lyric_view.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton21", 8, " ", "btn_lyrics_window.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton22", 2, " ", "btn_track_info.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton23", 2, " ", "btn_visual.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton24", 2, " ", "btn_full_screen.png", false, MainFont, MainPoints},
        {"frmMain", "XPButton25", 8, " ", "btn_lyrics_web.png", false, MainFont, MainPoints},
        // The dialogs: style 5, stored enabled.
        {"frmSet", "XPButton1", 5, "全部恢复默认设置", "", true, "Verdana", 8.25},
        {"frmSet", "XPButton2", 5, "确   定", "", true, "Verdana", 8.25},
        {"frmSet", "XPButton3", 5, "查找图片", "", true, "Verdana", 8.25},
        {"frmSet", "XPButton4", 5, "全部设置简单模式", "", true, "Verdana", 8.25},
        {"frmSet", "XPButton5", 5, "添加背景图片", "", true, "Verdana", 8.25},
        {"frmFileShell", "XPButton1", 5, "全 选", "", true, MainFont, MainPoints},
        {"frmFileShell", "XPButton2", 5, "全不选", "", true, MainFont, MainPoints},
        {"frmFileShell", "XPButton3", 5, "取 消", "", true, MainFont, MainPoints},
        {"frmFileShell", "XPButton4", 5, "确 定", "", true, MainFont, MainPoints},
        {"frmAbout", "XPButton1", 5, "确 定", "", true, MainFont, MainPoints},
        {"frmAbout", "XPButton2", 5, "系统信息", "", true, MainFont, MainPoints},
        {"frmShiftSet", "XPButton1", 5, "确 定", "", true, MainFont, MainPoints},
        {"frmShiftSet", "XPButton2", 5, "取 消", "", true, MainFont, MainPoints},
        {"frmInfo", "XPButton1", 5, "关闭", "", true, MainFont, MainPoints},
    };
    return table;
}

const ButtonData* findButtonData(const QString& form, const QString& name)
{
    for (const ButtonData& d : buttonDataTable())
        if (form.compare(QLatin1String(d.form), Qt::CaseInsensitive) == 0
            && name.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

std::vector<const ButtonData*> buttonsOfForm(const QString& form)
{
    std::vector<const ButtonData*> out;
    for (const ButtonData& d : buttonDataTable())
        if (form.compare(QLatin1String(d.form), Qt::CaseInsensitive) == 0)
            out.push_back(&d);
    return out;
}

PropertyBag storedButtonProperties(const ButtonData& d, const QString& resDir)
{
    PropertyBag bag;
    const QString icon = *d.iconFile ? QDir(resDir).filePath(QString::fromUtf8(d.iconFile)) : QString();
    bag.write(QStringLiteral("icon"), icon);
    bag.write(QStringLiteral("style"), d.style, 3);
    bag.write(QStringLiteral("caption"), QString::fromUtf8(d.caption), QString());
    bag.write(QStringLiteral("iconsize"), 16);
    bag.write(QStringLiteral("iconalign"), 1);
    bag.write(QStringLiteral("inonthemestyle"), 0);
    bag.write(QStringLiteral("enabled"), d.enabled, true);
    bag.write(QStringLiteral("tooltiptitle"), QString());
    bag.write(QStringLiteral("tooltipicon"), 0);
    bag.write(QStringLiteral("tooltiptype"), 0);
    bag.write(QStringLiteral("ttforecolor"), 0);
    QFont font(QString::fromUtf8(d.fontFamily));
    font.setPointSizeF(d.fontPoints);
    bag.write(QStringLiteral("font"), font);
    return bag;
}

} // namespace melodune

#include "lyrics/lyricstyle.h"

#include "core/settings.h"
#include "lyrics/richtext.h"

namespace melodune {

LyricBoxStyle lyricBoxStyle(const SettingsRecord& s)
{
    LyricBoxStyle style;
    style.backColor = s.LrcBackColor;
    style.tagColor = s.LrcTagColor;
    style.textColor = s.LrcTextColor;
    style.fontName = s.LrcFontName;
    style.fontSize = s.LrcFontSize;
    style.bold = s.LrcFontBold;
    return style;
}

std::vector<TextSpan> lyricTextSpans(const QString& text)
{
    std::vector<TextSpan> spans;
    const QStringView s(text);
    qsizetype p = s.indexOf(u']');
    while (p >= 0) {
        const qsizetype q = s.indexOf(u'\r', p + 1);
        const qsizetype end = q < 0 ? s.size() : q + 1;
        if (end > p + 1)
            spans.push_back({int(p + 1), int(end - p - 1)});
        if (q < 0)
            break;
        p = s.indexOf(u']', q + 1);
    }
    return spans;
}

void colourLyricSpans(RichTextModel& box, rt::PackedColor textColor)
{
    for (const TextSpan& span : lyricTextSpans(box.text()))
        box.setColor(span.start, span.length, textColor);
}

void styleLyricBox(RichTextModel& box, const LyricBoxStyle& style)
{
    box.selectAll();
    box.setBackColor(style.backColor);
    box.setFontName(style.fontName);
    box.setSelFontSize(style.fontSize);
    box.setSelBold(style.bold);
    box.setSelColor(style.tagColor);
    colourLyricSpans(box, style.textColor);
    box.setSelStart(0);
}

void styleLyricNotice(RichTextModel& box)
{
    box.selectAll();
    box.setBackColor(ButtonFaceColor);
    box.setFontName(QStringLiteral("宋体"));
    box.setSelFontSize(NoticeFontSize);
    box.setSelBold(false);
    box.setSelColor(NoticeTextColor);
}

} // namespace melodune

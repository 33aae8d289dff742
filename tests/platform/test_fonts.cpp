// Chinese text is drawn with the Simplified Chinese faces, whatever the
// locale: the Japanese forms of the shared characters differ.
#include "platform/fonts.h"

#include <QApplication>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

// The family that actually draws the first character of `text` in `font`.
QString drawingFamily(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

} // namespace

TEST(Fonts, TheNamedFacesAndTheApplicationFontDrawChineseInSimplifiedForms)
{
    rt::installFontSubstitutions();
    rt::installChineseFallbackFont();
    // 骨 and 直 have different Japanese forms.
    for (const char* family : {"宋体", "黑体", "Verdana"}) {
        const QString drawn = drawingFamily(QFont(QString::fromUtf8(family)), QStringLiteral("骨直"));
        EXPECT_TRUE(drawn.endsWith(QLatin1String(" SC"), Qt::CaseInsensitive)) << family << ": " << drawn.toStdString();
    }
    const QString drawn = drawingFamily(QApplication::font(), QStringLiteral("骨直"));
    EXPECT_TRUE(drawn.endsWith(QLatin1String(" SC"), Qt::CaseInsensitive)) << drawn.toStdString();
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("宋体"))).family(), QStringLiteral("Noto Serif CJK SC"));
}

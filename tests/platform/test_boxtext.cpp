#include "platform/boxtext.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>
#include <gtest/gtest.h>

using namespace rt;

namespace {

const QString Ell = QString(QChar(0x2026));

// A path of about `units` UTF-16 units: folders named `folder`, then the file.
QString longPath(qsizetype units, const QString& folder, const QString& file)
{
    QString p = QStringLiteral("/home/user");
    for (int i = 0; p.size() + file.size() < units; ++i)
        p += QStringLiteral("/%1%2").arg(folder).arg(i);
    return p + u'/' + file;
}

struct Laid {
    int rows = 0;
    qreal widest = 0;
};

// The text as a word-wrapped label lays it out at `width`.
Laid layOut(const QString& text, const QFont& font, qreal width)
{
    Laid out;
    for (const QString& para : text.split(u'\n')) {
        QTextLayout layout(para, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            out.widest = std::max(out.widest, line.naturalTextWidth());
            ++out.rows;
        }
        layout.endLayout();
    }
    return out;
}

} // namespace

TEST(BoxText, DirectionalControlsAreTakenOut)
{
    const char16_t controls[] = {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067,
                                 0x2068, 0x2069, 0x200E, 0x200F, 0x061C};
    for (char16_t c : controls)
        EXPECT_EQ(withoutDirectionalMarks(QStringLiteral("海") + QChar(c) + QStringLiteral("abc") + QChar(c)),
                  QStringLiteral("海abc"))
            << std::hex << int(c);
    // Letters of right-to-left scripts and joiners are text, not controls.
    const QString kept = QStringLiteral("שלום مرحبا a\u200Db 歌");
    EXPECT_EQ(withoutDirectionalMarks(kept), kept);
}

TEST(BoxText, CutsKeepBothEndsAndWholeCharacters)
{
    EXPECT_EQ(cutWithEllipsis("abcdef", 6), QString("abcdef"));
    EXPECT_EQ(cutWithEllipsis("abcdef", 4), "abc" + Ell);
    const QString face = QStringLiteral("ab\U0001F600cd"); // a surrogate pair at 2..3
    EXPECT_EQ(cutWithEllipsis(face, 4), "ab" + Ell);
    EXPECT_EQ(cutWithEllipsis(face, 5), face.left(4) + Ell);

    EXPECT_EQ(elideMiddle("/music/a.mp3", 12), QString("/music/a.mp3"));
    EXPECT_EQ(elideMiddle("/music/folder/a.mp3", 11), "/musi" + Ell + "a.mp3");
    const QString mid = QStringLiteral("abc\U0001F600\U0001F600xyz");
    for (qsizetype n = 2; n < mid.size(); ++n) {
        const QString e = elideMiddle(mid, n);
        EXPECT_LE(e.size(), n);
        EXPECT_FALSE(e.toUcs4().contains(0xFFFD)) << n; // no half of a pair
    }
}

// Whatever a message holds, the text comes out within the room: no row
// wider, no more rows than fit; the start and the end of a long path stay.
TEST(BoxText, TextFitsTheRoomOfItsScreen)
{
    const QFont font = QApplication::font();
    const QString file = QStringLiteral("最后的歌曲-final take.mp3");
    const QString asciiPath = longPath(4096, QStringLiteral("folder"), QStringLiteral("final-take.mp3"));
    const QString chinesePath = longPath(4096, QStringLiteral("我的音乐文件夹"), file);
    const QString spacedPath = longPath(4096, QStringLiteral("my folder"), file);
    QString noBlanks(1000 * 1000, u'x');
    QString words;
    while (words.size() < 1000 * 1000)
        words += QStringLiteral("notice ");
    QString manyLines;
    for (int i = 0; i < 10000; ++i)
        manyLines += QStringLiteral("第%1行\r\n").arg(i);
    manyLines += QStringLiteral("最后一行");

    struct Case {
        const char* name;
        QString text;
        QString start, end; // what stays at both ends
    };
    const Case cases[] = {
        {"ascii path", "歌词文件“" + asciiPath + "”保存失败。\r\nNo space left on device", "歌词文件“/ho",
         "final-take.mp3”保存失败。\nNo space left on device"},
        {"chinese path", "无法读取“" + chinesePath + "”。", "无法读取“/home/user/我的", file + "”。"},
        {"path with blanks", spacedPath, "/home/user/my folder0", file},
        {"a megabyte without blanks", "[" + noBlanks + "]", "[xxx", "xxx]"},
        {"a megabyte of words", "[" + words + "]", "[notice notice", "notice ]"},
        {"ten thousand lines", manyLines, "第0行\n第1行\n", Ell + "\n最后一行"},
        {"a megabyte of line ends", "开始" + QString(1000 * 1000, u'\n') + "结束", "开始\n\n", Ell + "\n结束"},
    };
    const QRect screens[] = {{0, 0, 800, 600}, {0, 0, 1920, 1050}, {0, 0, 640, 456}, {1280, 0, 512, 384}};
    for (const QRect& screen : screens) {
        const QSize room = boxTextRoom(screen);
        const int rows = int(room.height() / QFontMetricsF(font).lineSpacing());
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " on " + std::to_string(screen.width()));
            const QString fitted = fitBoxText(c.text, font, room);
            const Laid laid = layOut(fitted, font, room.width());
            EXPECT_LE(laid.rows, std::max(3, rows));
            EXPECT_LE(laid.widest, room.width());
            EXPECT_TRUE(fitted.startsWith(c.start)) << qPrintable(fitted.left(80));
            EXPECT_TRUE(fitted.endsWith(c.end)) << qPrintable(fitted.right(80));
            EXPECT_TRUE(fitted.contains(Ell));
        }
    }
    // A message that fits is left as it is, line ends aside.
    const QString plain = QStringLiteral("文件“/music/海.mp3”无法打开。\r\n请检查后重试。");
    EXPECT_EQ(fitBoxText(plain, font, boxTextRoom({0, 0, 800, 600})),
              QStringLiteral("文件“/music/海.mp3”无法打开。\n请检查后重试。"));
}

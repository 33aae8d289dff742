#include "lyrics/lyricloader.h"
#include "lyrics/lyricstate.h"
#include "lyrics/richtext.h"
#include "platform/legacytext.h"
#include "tests/support/testdir.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

// The LyricLines of a box text: the lines that begin with a tag.
QStringList taggedLines(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        if (line.startsWith(u'['))
            out << line;
    return out;
}

LyricBoxStyle testStyle()
{
    LyricBoxStyle s;
    s.backColor = rt::rgb(0, 0, 128);
    s.tagColor = rt::rgb(1, 2, 3);
    s.textColor = rt::rgb(150, 150, 255);
    s.fontName = QStringLiteral("宋体");
    s.fontSize = 10;
    s.bold = true;
    return s;
}

QString loadInto(RichTextModel& box, LyricState& state, const QString& path)
{
    const std::optional<QString> text = readLyricText(path);
    EXPECT_TRUE(text.has_value()) << path.toStdString();
    showLyricText(text.value_or(QString()), box, state, testStyle());
    return box.text();
}

} // namespace

TEST(LyricLoader, LfAndCrLfFilesGiveTheSameLines)
{
    testsupport::TestDir dir;
    const QByteArray lf = "[ti:Song]\n[offset:250]\n[00:20.00]Second\n[00:05.00][00:12.50]First\n[00:30.00]\nend\n";
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    dir.write("lf.lrc", lf);
    dir.write("crlf.lrc", crlf);

    RichTextModel a, b;
    LyricState sa, sb;
    const QStringList lines = taggedLines(loadInto(a, sa, dir.file("lf.lrc")));
    EXPECT_EQ(lines, taggedLines(loadInto(b, sb, dir.file("crlf.lrc"))));
    EXPECT_EQ(lines, (QStringList{"[5.0]First", "[12.5]First", "[20.0]Second", "[30.0] "}));
    EXPECT_EQ(sa.offset, 250);
    EXPECT_EQ(sb.offset, 250);
    EXPECT_TRUE(a.text().contains(QStringLiteral("标题：Song")));
}

TEST(LyricLoader, ReadsCodePage936AndUtf8)
{
    testsupport::TestDir dir;
    // "你好" and "世界" in code page 936.
    dir.write("gbk.lrc", QByteArray("[00:02.00]\xCA\xC0\xBD\xE7\r\n[00:01.00]\xC4\xE3\xBA\xC3\r\n"));
    dir.write("utf8.lrc", QByteArray("[00:01.00]") + QStringLiteral("你好").toUtf8() + "\n");
    RichTextModel box;
    LyricState state;
    EXPECT_EQ(taggedLines(loadInto(box, state, dir.file("gbk.lrc"))),
              (QStringList{QStringLiteral("[1.0]你好"), QStringLiteral("[2.0]世界")}));
    EXPECT_EQ(taggedLines(loadInto(box, state, dir.file("utf8.lrc"))), QStringList{QStringLiteral("[1.0]你好")});
    // UTF-8 lines of 2-byte characters only, which a list file would read as
    // code page 936.
    dir.write("latin.lrc", QStringLiteral("[00:01.00]Jag älskar\n[00:02.00]Привет мир\n").toUtf8());
    EXPECT_EQ(taggedLines(loadInto(box, state, dir.file("latin.lrc"))),
              (QStringList{QStringLiteral("[1.0]Jag älskar"), QStringLiteral("[2.0]Привет мир")}));
    // The program's own no-lyrics mark reads back.
    dir.write("mark.lrc", noLyricsStub(QStringLiteral("一同学")));
    EXPECT_TRUE(readLyricText(dir.file("mark.lrc"))->contains(QStringLiteral("一同学")));
    EXPECT_FALSE(readLyricText(dir.file("missing.lrc")).has_value());
}

TEST(LyricLoader, ReadsUtf16WithAByteOrderMark)
{
    testsupport::TestDir dir;
    const QString file = QStringLiteral("[ti:晴天]\r\n[00:02.00]故事的小黄花\r\n[00:01.00]Café\r\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : file) {
        le += char(c.unicode() & 0xFF), le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8), be += char(c.unicode() & 0xFF);
    }
    dir.write("le.lrc", le);
    dir.write("be.lrc", be);
    for (const char* name : {"le.lrc", "be.lrc"}) {
        SCOPED_TRACE(name);
        RichTextModel box;
        LyricState state;
        const QString text = loadInto(box, state, dir.file(name));
        EXPECT_EQ(taggedLines(text), (QStringList{QStringLiteral("[1.0]Café"), QStringLiteral("[2.0]故事的小黄花")}));
        EXPECT_TRUE(text.startsWith(QStringLiteral("\r\n标题：晴天 \r")));
    }
}

TEST(LyricLoader, TextWithoutTimeTagsIsShownUnparsed)
{
    testsupport::TestDir dir;
    dir.write("plain.lrc", "[offset:100]\nno times here\n");
    RichTextModel box;
    LyricState state;
    EXPECT_EQ(loadInto(box, state, dir.file("plain.lrc")), QStringLiteral("\r\n[offset:100] \r\nno times here\r\n\r\n"));
    EXPECT_EQ(state.offset, 100);
}

TEST(LyricLoader, ColoursTagsAndTextAfterLoading)
{
    testsupport::TestDir dir;
    dir.write("a.lrc", "[ar:Me]\n[00:01.00]La\n");
    RichTextModel box;
    LyricState state;
    const QString text = loadInto(box, state, dir.file("a.lrc"));
    const LyricBoxStyle style = testStyle();
    EXPECT_EQ(box.backColor(), style.backColor);
    EXPECT_EQ(box.fontName(), style.fontName);
    EXPECT_EQ(box.selStart(), 0);
    const int tag = text.indexOf(QStringLiteral("[1.0]"));
    ASSERT_GE(tag, 0);
    for (int i = 0; i < text.size(); ++i) {
        const CharFormat f = box.formatAt(i);
        EXPECT_EQ(f.size, 10);
        EXPECT_TRUE(f.bold);
        const bool lyricText = i > tag + 4 && i <= text.indexOf(u'\r', tag);
        EXPECT_EQ(f.color, lyricText ? style.textColor : style.tagColor) << "at " << i;
    }
}

TEST(LyricLoader, SideCarPaths)
{
    const struct {
        const char* file;
        const char* ext;
        const char* sideCar;
    } cases[] = {
        {"/music/song.mp3", "mp3", "/music/song.lrc"},
        {"/music/Song.MP3", "mp3", "/music/Song.lrc"},
        {"/music/song", "未知", "/music/song.lrc"},       // no extension: nothing cut off
        {"/music/ab", "未知", "/music/ab.lrc"},
        {"/music.d/song", "d/song", "/music.d/song.lrc"}, // the dot is a folder's
        {"http://host/a.mp3", "mp3", ""},                 // streams have nothing beside them
        {"mms://host/live", "未知", ""},
        {"", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sideCarLyricPath(QString::fromUtf8(c.file), QString::fromUtf8(c.ext)), QString::fromUtf8(c.sideCar))
            << c.file;
}

TEST(LyricLoader, AdoptsTheSideCarFileIntoLrcs)
{
    testsupport::TestDir dir;
    const QString dataDir = dir.file("data");
    const QString song = dir.file("music/song.mp3");
    const QString bare = dir.file("music/noext");
    dir.write("music/song.mp3", "audio");
    dir.write("music/song.lrc", "[00:01.00]beside\n");
    dir.write("music/noext", "audio");
    dir.write("music/noext.lrc", "[00:01.00]bare\n");
    dir.write("data/LRCS/.keep", "");

    QString path;
    EXPECT_EQ(findTrackLyricFile(dataDir, song, QStringLiteral("mp3"), &path), LyricLookup::Adopted);
    EXPECT_EQ(path, lyricFilePath(dataDir, song));
    EXPECT_TRUE(path.startsWith(dataDir + QStringLiteral("/LRCS/")));
    QFile adopted(path);
    ASSERT_TRUE(adopted.open(QIODevice::ReadOnly));
    EXPECT_EQ(adopted.readAll(), QByteArray("[00:01.00]beside\n"));
    EXPECT_TRUE(dir.exists("music/song.lrc")) << "the side-car stays";
    EXPECT_EQ(findTrackLyricFile(dataDir, song, QStringLiteral("mp3"), &path), LyricLookup::Found);

    EXPECT_EQ(findTrackLyricFile(dataDir, bare, QStringLiteral("未知"), &path), LyricLookup::Adopted);
    EXPECT_EQ(findTrackLyricFile(dataDir, dir.file("music/other.mp3"), QStringLiteral("mp3"), &path),
              LyricLookup::Missing);
    EXPECT_EQ(findTrackLyricFile(dataDir, QStringLiteral("http://host/song.mp3"), QStringLiteral("mp3"), &path),
              LyricLookup::Missing);

    // A side-car longer than any lyric is no lyric file to keep.
    dir.write("music/huge.mp3", "audio");
    dir.write("music/huge.lrc", QByteArray(kMaxLyricBytes + 1, '['));
    EXPECT_EQ(findTrackLyricFile(dataDir, dir.file("music/huge.mp3"), QStringLiteral("mp3"), &path),
              LyricLookup::TooLarge);
    EXPECT_EQ(path, dir.file("music/huge.lrc"));
    EXPECT_FALSE(QFileInfo::exists(lyricFilePath(dataDir, dir.file("music/huge.mp3"))));
}

TEST(LyricLoader, NoticeTexts)
{
    EXPECT_EQ(lyricSearchingNotice(QStringLiteral("/m/a.mp3")), QStringLiteral("当前曲目“/m/a.mp3”\r\n查找歌词文件 … "));
    EXPECT_EQ(lyricNotFoundNotice(QStringLiteral("/m/a.mp3")),
              QStringLiteral("当前曲目“/m/a.mp3”\r\n查找歌词文件 … [无]"));
    EXPECT_EQ(lyricDeletedNotice(QStringLiteral("/d/LRCS/x.lrc")), QStringLiteral("歌词文件“/d/LRCS/x.lrc”已经被删除！"));

    RichTextModel box;
    showLyricNotice(box, lyricNotFoundNotice(QStringLiteral("x")));
    EXPECT_EQ(box.backColor(), ButtonFaceColor);
    EXPECT_EQ(box.fontName(), QStringLiteral("宋体"));
    box.selectAll();
    EXPECT_EQ(box.selColor(), std::optional<rt::PackedColor>(rt::rgb(64, 64, 64)));
    EXPECT_EQ(box.selFontSize(), std::optional<int>(9));
    EXPECT_EQ(box.selBold(), std::optional<bool>(false));
}

TEST(LyricLoader, NoLyricsStubBytes)
{
    // "［" and "］" are A3 DB and A3 DD in code page 936.
    const QByteArray footer = rt::encodeLegacy(QStringLiteral("如果想使用歌词，请重新查找或修改"));
    EXPECT_EQ(noLyricsStub(QStringLiteral("a[b]c")),
              QByteArray("[0:0]a\xA3\xDB" "b\xA3\xDD" "c\r\n\xA3\xDB") + footer + QByteArray("\xA3\xDD\r\n"));
    EXPECT_EQ(noLyricsStub(QString()), QByteArray("[0:0]\r\n\xA3\xDB") + footer + QByteArray("\xA3\xDD\r\n"));

    // Loaded back, it shows the note and the footer at time 0.
    const LrcParseResult parsed = parseLrc(normaliseLyricText(rt::decodeLegacy(noLyricsStub(QStringLiteral("[x]")))));
    ASSERT_TRUE(parsed.parsed);
    EXPECT_EQ(taggedLines(parsed.text), QStringList{QStringLiteral("[0.0]［x］")});
    EXPECT_TRUE(parsed.text.contains(QStringLiteral("［如果想使用歌词，请重新查找或修改］")));

    EXPECT_EQ(noLyricsDefaultNote(QStringLiteral("  "), QStringLiteral("/a.mp3")), QStringLiteral("/a.mp3"));
    EXPECT_EQ(noLyricsDefaultNote(QStringLiteral("Title"), QStringLiteral("/a.mp3")), QStringLiteral("Title"));
}

TEST(LyricLoader, OffsetStepsStopAtTheBounds)
{
    const struct {
        std::int32_t from, up, down;
    } cases[] = {
        {0, 50, -50},
        {599950, 600000, 599900},
        {600000, 600000, 599950},
        {599990, 600040, 599940},   // off the grid: may pass the bound by up to 49
        {-600000, -599950, -600000},
        {-599990, -599940, -600040},
        {900000, 900000, 899950},   // a file may set any value
        {-900000, -899950, -900000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(offsetStepUp(c.from), c.up) << c.from;
        EXPECT_EQ(offsetStepDown(c.from), c.down) << c.from;
    }
}

TEST(LyricLoader, EditorOffsetLineRewrite)
{
    const struct {
        const char* text;
        std::int32_t offset;
        const char* result; // nullptr: unchanged
        int caret;
    } cases[] = {
        {"[00:01.00]a\r\n", 100, "[offset:100]\r\n[00:01.00]a\r\n", 11},
        {"[00:01.00]a\r\n", 0, nullptr, 0},
        {"[offset:100]\r\n[00:01.00]a\r\n", 150, "[offset:150]\r\n[00:01.00]a\r\n", 11},
        {"[offset:100]\r\n", 100, nullptr, 0},
        {"x[offset:50]y[offset:50]", -1000, "x[offset:-1000]y[offset:-1000]", 14},
        {"[offset:5]\r\n[offset:7]", 0, "[offset:0]\r\n[offset:7]", 9},
        {"[offset: 100 ]", 100, nullptr, 0},          // numeric with blanks, same value
        {"[offset: 100 ]", 50, "[offset:50]", 10},
        {"[offset:abc]", 100, nullptr, 0},            // not a number: left alone
        {"[offset:99999999999]", 100, nullptr, 0},    // beyond 32 bits: left alone
        {"[offset:100", 50, nullptr, 0},              // no closing bracket
        {"[OFFSET:100]", 50, "[offset:50]\r\n[OFFSET:100]", 10}, // case-sensitive search
    };
    for (const auto& c : cases) {
        const std::optional<OffsetRewrite> r = rewriteOffsetTag(QString::fromUtf8(c.text), c.offset);
        if (!c.result) {
            EXPECT_FALSE(r.has_value()) << c.text;
            continue;
        }
        ASSERT_TRUE(r.has_value()) << c.text;
        EXPECT_EQ(r->text, QString::fromUtf8(c.result)) << c.text;
        EXPECT_EQ(r->caret, c.caret) << c.text;
        EXPECT_EQ(r->text.at(r->caret), u']') << c.text;
    }
}

// The edit box shows a line per break; what comes back keeps the file's
// own breaks on every line the user did not add.
TEST(LyricLoader, EditedLinesKeepTheirLineEnds)
{
    const struct {
        const char* before; // the file's text
        const char* edited; // the edit box's text after the user's change
        const char* result;
    } cases[] = {
        {"[ti:a]\n[00:01]x\n", "[ti:a]\n[00:01]y\n", "[ti:a]\n[00:01]y\n"},
        {"[ti:a]\r\r\n[00:01]x\r\r\nend", "[ti:a]\n\n[00:01]xy\n\nend", "[ti:a]\r\r\n[00:01]xy\r\r\nend"},
        {"a\r\nb\nc\rd", "a\nB\nc\nd", "a\r\nB\nc\rd"},           // mixed: each line its own
        {"a\nb\n", "a\nnew\nb\n", "a\nnew\nb\n"},                 // an added line: the file's break
        {"a\r\nb\r\n", "a\nb\nc", "a\r\nb\r\nc"},                 // added at the end without a break
        {"a\r\nb\r\nc\r\n", "a\nc\n", "a\r\nc\r\n"},              // a line taken out
        {"a\nb\nc\nd\n", "A\nb\nc\nD\n", "A\nb\nc\nD\n"},
        {"", "x\ny", "x\r\ny"},
        {"a\r\nb", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        const QString before = QString::fromUtf8(c.before);
        EXPECT_EQ(mergeEditedLines(before, QString::fromUtf8(c.edited), dominantLineBreak(before)),
                  QString::fromUtf8(c.result));
    }
    EXPECT_EQ(dominantLineBreak(u"a\nb\r\nc\n"), QStringLiteral("\n"));
    EXPECT_EQ(dominantLineBreak(u"a\r\r\nb\r\r\n"), QStringLiteral("\r\n"));
    EXPECT_EQ(dominantLineBreak(u"a\rb\r"), QStringLiteral("\r"));
    EXPECT_EQ(dominantLineBreak(u"one line"), QStringLiteral("\r\n"));
    // The offset line the editor adds ends as the file's lines do.
    EXPECT_EQ(rewriteOffsetTag("[00:01.00]a\n", 50, "\n")->text, QStringLiteral("[offset:50]\n[00:01.00]a\n"));
}

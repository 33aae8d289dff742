#include "controls/xpbutton.h"
#include "lyrics/lrcservicecontroller.h"
#include "lyrics/lyricloader.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/legacytext.h"
#include "tests/support/mainwindow.h"
#include "tests/support/stallmeter.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <QTest>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

QStringList taggedLines(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        if (line.startsWith(u'['))
            out << line;
    return out;
}

// Scripted boxes that can run something while a message box waits, as a
// real box lets events run.
class HookedUi : public rt::ScriptedUi {
public:
    std::function<void(const QString& text)> whileAsking;
    int msgBox(const QString& text, int style, const QString& title) override
    {
        if (whileAsking)
            whileAsking(text);
        return ScriptedUi::msgBox(text, style, title);
    }
};

// A started main window over a temporary data folder, with the fake media
// control and scripted boxes.
class FrmMainLyrics : public testsupport::MainWindowTest<HookedUi> {
protected:
    FrmMainLyrics() : MainWindowTest({.fakeClock = false, .makeDataFolder = false}) {}
    void SetUp() override
    {
        w = std::make_unique<FrmMain>(services);
        media = fake();
        ASSERT_TRUE(w->Form_Load());
        w->Timer[3]->stop(); // no deferred start: the tests pick the track
        settings().AutoDownloadLrc = false;
        ui.calls.clear();
    }

    void setTrack(const QString& file, const QString& ext = QStringLiteral("mp3"))
    {
        w->Track.CurrentFile = file;
        w->Track.CurrentExt = ext;
    }
    QString lrcsFile() const { return lyricFilePath(shared().DataDir, w->Track.CurrentFile); }
    void writeLrcs(const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(lrcsFile()).absolutePath());
        QFile f(lrcsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }
    void play(const QString& file)
    {
        media->setFileName(file);
        media->play();
        ASSERT_TRUE(waitFor([&] { return media->playState() == rt::MediaControl::Playing; }));
    }

    rt::FakeMediaControl* media = nullptr;
};

const QByteArray kLyrics = "[ti:Song]\r\n[offset:250]\r\n[00:20.00]Second\r\n[00:05.00][00:12.50]First\r\n";
const QStringList kLines{"[5.0]First", "[12.5]First", "[20.0]Second"};

} // namespace

TEST_F(FrmMainLyrics, ShowsTheSortedColouredLinesOfTheLrcsFile)
{
    setTrack(dir.file("music/song.mp3"));
    writeLrcs(kLyrics);
    w->Lyrics.highlightStart = 7;
    w->LoadTrackLyrics();

    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(w->LrcView.LrcPath, lrcsFile());
    const QString text = w->RichTextBox1->text();
    EXPECT_EQ(taggedLines(text), kLines);
    EXPECT_TRUE(text.startsWith(QStringLiteral("\r\n标题：Song")));
    EXPECT_EQ(w->Lyrics.offset, 250);
    EXPECT_EQ(w->Lyrics.highlightStart, 0);
    const SettingsRecord& s = settings();
    EXPECT_EQ(w->RichTextBox1->backColor(), s.LrcBackColor);
    const int first = text.indexOf(QStringLiteral("[5.0]"));
    EXPECT_EQ(w->RichTextBox1->formatAt(first).color, s.LrcTagColor);
    EXPECT_EQ(w->RichTextBox1->formatAt(first + 5).color, s.LrcTextColor);
    EXPECT_EQ(w->RichTextBox1->formatAt(first).size, s.LrcFontSize);
    EXPECT_TRUE(w->RichTextBox1->isEnabled());
    EXPECT_TRUE(w->XPButtons[5]->buttonEnabled());
    EXPECT_EQ(w->XPButtons[5]->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    EXPECT_FALSE(w->Timer[1]->isActive()) << "stopped track: the play-state event starts the tick";
    EXPECT_EQ(w->Label2->text(), QStringLiteral("0"));
    EXPECT_TRUE(ui.calls.empty());

    // While playing, loading starts the lyric tick.
    play(w->Track.CurrentFile);
    w->LoadTrackLyrics();
    EXPECT_TRUE(w->Timer[1]->isActive());
}

TEST_F(FrmMainLyrics, LoadingATrackShowsItsLyrics)
{
    const QString song = dir.file("music/list song.mp3");
    dir.write("music/list song.mp3", "audio");
    dir.write("music/list song.lrc", "[00:02.00]Two\r\n[00:01.00]One\r\n");
    w->List1->addItem(song);
    w->Track.CurrentIndex = 0;
    ASSERT_TRUE(w->LoadTrack());
    EXPECT_EQ(w->Track.CurrentFile, song);
    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), (QStringList{"[1.0]One", "[2.0]Two"}));
    w->RichTextBox1View->refreshNow();
    EXPECT_TRUE(w->RichTextBox1View->toPlainText().contains(QStringLiteral("[1.0]One\n[2.0]Two")));
}

TEST_F(FrmMainLyrics, AdoptsTheFileBesideTheSong)
{
    dir.write("music/song.mp3", "audio");
    dir.write("music/song.lrc", "[00:09.00]Beside\n[00:03.00]Near\n");
    setTrack(dir.file("music/song.mp3"));
    w->LoadTrackLyrics();
    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), (QStringList{"[3.0]Near", "[9.0]Beside"}));
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[00:09.00]Beside\n[00:03.00]Near\n"));
    EXPECT_EQ(w->LrcView.LrcPath, lrcsFile());
}

TEST_F(FrmMainLyrics, WithoutAFileShowsTheNotFoundNotice)
{
    setTrack(dir.file("music/none.mp3"));
    w->XPButtons[5]->setButtonEnabled(true);
    w->LrcView.LrcPath = QStringLiteral("/old.lrc");
    w->LoadTrackLyrics();

    EXPECT_FALSE(w->LrcView.LyricsLoaded);
    EXPECT_TRUE(w->LrcView.LrcPath.isEmpty());
    EXPECT_FALSE(w->XPButtons[5]->buttonEnabled());
    EXPECT_FALSE(w->Timer[1]->isActive());
    RichTextModel& box = *w->RichTextBox1;
    EXPECT_EQ(box.text(), QStringLiteral("当前曲目“") + w->Track.CurrentFile + QStringLiteral("”\r\n查找歌词文件 … [无]"));
    EXPECT_EQ(box.backColor(), ButtonFaceColor);
    EXPECT_EQ(box.fontName(), QStringLiteral("宋体"));
    for (int i = 0; i < box.length(); ++i)
        ASSERT_EQ(box.formatAt(i), (CharFormat{rt::rgb(64, 64, 64), 9, false})) << i;
    EXPECT_TRUE(ui.calls.empty()) << "no message box";
}

TEST_F(FrmMainLyrics, OffsetStepsShowTheValue)
{
    w->Lyrics.offset = 599950;
    w->XPButton4_Click();
    EXPECT_EQ(w->Lyrics.offset, 600000);
    w->mnuOffsetA->trigger();
    EXPECT_EQ(w->Lyrics.offset, 600000);
    EXPECT_EQ(w->Label2->text(), QStringLiteral("600000"));
    w->XPButton3_Click();
    EXPECT_EQ(w->Label2->text(), QStringLiteral("599950"));
}

TEST_F(FrmMainLyrics, EditorKeepsTheOffsetLineAndSaves)
{
    setTrack(dir.file("music/song.mp3"));
    writeLrcs("[00:01.00]a\r\n");
    w->LoadTrackLyrics();
    play(w->Track.CurrentFile);

    w->XPButton5_Click();
    EXPECT_TRUE(w->lyricEditorOpen());
    EXPECT_TRUE(w->RichTextBox2->isVisible());
    EXPECT_EQ(w->XPButtons[5]->caption(), QStringLiteral("退出修改"));
    EXPECT_EQ(w->mnuEditLRC->text(), QStringLiteral("退出修改当前曲目歌词(&W)"));
    EXPECT_EQ(media->playState(), rt::MediaControl::Paused);
    EXPECT_EQ(w->RichTextBox2->text(), QStringLiteral("[00:01.00]a\r\n")) << "offset 0: no tag added";

    w->mnuOffsetA_Click();
    w->mnuOffsetA_Click();
    EXPECT_EQ(w->RichTextBox2->text(), QStringLiteral("[offset:100]\r\n[00:01.00]a\r\n"));
    EXPECT_EQ(w->RichTextBox2->selStart(), 11);
    auto* edit = static_cast<QPlainTextEdit*>(w->RichTextBox2Edit);
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("[offset:100]\n[00:01.00]a\n"));
    EXPECT_EQ(edit->textCursor().position(), 11);

    // The user's typing reaches the model with CR LF line ends.
    edit->setPlainText(QStringLiteral("[offset:100]\n[00:02.00]b\n"));
    EXPECT_EQ(w->RichTextBox2->text(), QStringLiteral("[offset:100]\r\n[00:02.00]b\r\n"));

    ui.msgAnswers = {rt::Yes};
    w->XPButton5_Click();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, QStringLiteral("是否保存修改?"));
    EXPECT_EQ(ui.calls[0].style, 36);
    EXPECT_FALSE(w->lyricEditorOpen());
    EXPECT_FALSE(w->RichTextBox2->isVisible());
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[offset:100]\r\n[00:02.00]b\r\n"));
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), QStringList{"[2.0]b"});
    EXPECT_EQ(w->Lyrics.offset, 100);
    EXPECT_TRUE(waitFor([&] { return media->playState() == rt::MediaControl::Playing; }));

    // Closing with No drops the edits.
    w->XPButton5_Click();
    w->mnuOffsetA_Click();
    ui.msgAnswers = {rt::No};
    w->XPButton5_Click();
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[offset:100]\r\n[00:02.00]b\r\n"));
    EXPECT_EQ(w->Lyrics.offset, 100);
}

TEST_F(FrmMainLyrics, EditorSaveThatFailsKeepsTheEditorOpen)
{
    setTrack(dir.file("music/song.mp3"));
    writeLrcs("[00:01.00]a\r\n");
    w->LoadTrackLyrics();
    w->XPButton5_Click();
    w->RichTextBox2->setText(QStringLiteral("[00:01.00]edited\r\n"));
    // The lyric file's name is taken by a folder: the save cannot replace it.
    QFile::remove(lrcsFile());
    ASSERT_TRUE(QDir().mkpath(lrcsFile() + QStringLiteral("/x")));

    ui.msgAnswers = {rt::Yes};
    w->XPButton5_Click();
    ASSERT_EQ(ui.calls.size(), 2u);
    EXPECT_TRUE(ui.calls[1].text.startsWith(QStringLiteral("歌词文件保存失败")));
    EXPECT_TRUE(w->lyricEditorOpen());
    EXPECT_TRUE(w->RichTextBox2->isVisible());
    EXPECT_EQ(w->RichTextBox2->text(), QStringLiteral("[00:01.00]edited\r\n"));
}

TEST_F(FrmMainLyrics, EditorWithoutLyricsSaysSo)
{
    setTrack(dir.file("music/none.mp3"));
    w->LoadTrackLyrics();
    w->mnuEditLRC_Click();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("错误！未发现歌词。")});
    EXPECT_FALSE(w->lyricEditorOpen());
}

TEST_F(FrmMainLyrics, DeletesTheLyricFileAndTheSideCar)
{
    dir.write("music/song.mp3", "audio");
    dir.write("music/song.lrc", "[00:01.00]a\n");
    setTrack(dir.file("music/song.mp3"));
    w->LoadTrackLyrics();
    ASSERT_TRUE(QFileInfo::exists(lrcsFile()));

    // No to the side-car: the LRCS file is gone, the state stays.
    ui.msgAnswers = {rt::Yes, rt::No};
    w->mnuDelLRC_Click();
    EXPECT_FALSE(QFileInfo::exists(lrcsFile()));
    EXPECT_TRUE(dir.exists("music/song.lrc"));
    EXPECT_EQ(w->RichTextBox1->text(), QStringLiteral("歌词文件“") + lrcsFile() + QStringLiteral("”已经被删除！"));
    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(ui.calls[0].style, 308);

    w->LoadTrackLyrics(); // adopts the side-car again
    ui.msgAnswers = {rt::Yes, rt::Yes};
    w->mnuDelLRC_Click();
    EXPECT_FALSE(QFileInfo::exists(lrcsFile()));
    EXPECT_FALSE(dir.exists("music/song.lrc"));
    EXPECT_FALSE(w->LrcView.LyricsLoaded);
    EXPECT_TRUE(w->LrcView.LrcPath.isEmpty());
    EXPECT_FALSE(w->XPButtons[5]->buttonEnabled());
}

TEST_F(FrmMainLyrics, DeleteThatFailsSaysSo)
{
    setTrack(dir.file("music/song.mp3"));
    ASSERT_TRUE(QDir().mkpath(lrcsFile() + QStringLiteral("/x")));
    const QString before = w->RichTextBox1->text();
    ui.msgAnswers = {rt::Yes};
    w->mnuDelLRC_Click();
    ASSERT_EQ(ui.calls.size(), 2u);
    EXPECT_TRUE(ui.calls[1].text.contains(QStringLiteral("无法删除")));
    EXPECT_FALSE(w->RichTextBox1->text().contains(QStringLiteral("已经被删除")));
}

TEST_F(FrmMainLyrics, MarksTheTrackAsHavingNoLyrics)
{
    setTrack(dir.file("music/song.mp3"));
    w->Track.CurrentTitle = QStringLiteral("Title");
    settings().AutoDownloadLrc = true; // the mark stops the search
    ui.msgAnswers = {rt::Yes};
    ui.inputAnswers = {QStringLiteral("my [note]")};
    w->mnuNotLRC_Click();
    ASSERT_EQ(ui.calls.size(), 2u);
    EXPECT_EQ(ui.calls[0].style, 308);
    EXPECT_EQ(ui.calls[1].title, QStringLiteral("歌词设置"));
    EXPECT_EQ(readFile(lrcsFile()), noLyricsStub(QStringLiteral("my [note]")));
    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), QStringList{QStringLiteral("[0.0]my ［note］")});

    // Cancelled input: the fixed note.
    ui.msgAnswers = {rt::Yes};
    w->mnuNotLRC_Click();
    EXPECT_EQ(readFile(lrcsFile()), noLyricsStub(QStringLiteral("当前曲目被设置为暂不使用歌词。")));
}

TEST_F(FrmMainLyrics, ChoosesALocalLyricFile)
{
    setTrack(dir.file("music/song.mp3"));
    dir.write("elsewhere/pick.lrc", "[00:04.00]Picked\n");
    ui.openAnswers = {rt::FileDialogResult{{dir.file("elsewhere/pick.lrc")}, 1}};
    w->mnuOpenLRC_Click();
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), QStringList{"[4.0]Picked"});
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[00:04.00]Picked\n"));
    EXPECT_EQ(w->LrcView.LrcPath, lrcsFile());

    // A second choice for a track that has one, answered No: the stored file stays and is shown.
    dir.write("elsewhere/other.lrc", "[00:06.00]Other\n");
    ui.openAnswers = {rt::FileDialogResult{{dir.file("elsewhere/other.lrc")}, 1}};
    ui.msgAnswers = {rt::No};
    w->mnuOpenLRC_Click();
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[00:04.00]Picked\n"));
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), QStringList{"[4.0]Picked"});

    // Choosing the track's own file copies nothing onto itself and keeps it.
    ui.calls.clear();
    ui.openAnswers = {rt::FileDialogResult{{lrcsFile()}, 1}};
    w->mnuOpenLRC_Click();
    EXPECT_EQ(readFile(lrcsFile()), QByteArray("[00:04.00]Picked\n"));
    EXPECT_EQ(ui.calls.size(), 1u) << "only the dialog";
}

TEST_F(FrmMainLyrics, RightClickOpensTheLyricPopup)
{
    setTrack(dir.file("music/none.mp3"));
    w->LoadTrackLyrics();
    emit w->RichTextBox1View->mouseReleased(Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QMenu* pop = w->Popmnu1;
    ASSERT_NE(pop, nullptr);
    EXPECT_TRUE(pop->isVisible());
    EXPECT_FALSE(w->PopDelLRC->isEnabled());
    EXPECT_FALSE(w->PopEditLRC->isEnabled());
    pop->hide();
    QStringList captions;
    for (QAction* a : pop->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"查找/替换歌词[本地]", "模糊查找/替换歌词[联网]", "LRC歌词搜索下载站", "重新装载歌词", "-",
                                     "删除当前曲目默认歌词", "设置当前曲目不用歌词", "编辑修改当前曲目歌词", "-",
                                     "歌词显示模式", "-", "歌词全屏"}));

    // The left button on a picture surface pauses the lyric movement.
    w->Timer[1]->start();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w->Image6, &press);
    EXPECT_FALSE(w->Timer[1]->isActive());
}

TEST_F(FrmMainLyrics, MarksASelectedListEntry)
{
    setTrack(dir.file("music/current.mp3"));
    const QString other = dir.file("music/other.mp3");
    w->List1->addItem(other);
    ui.msgAnswers = {rt::Yes};
    w->PopNotLRC4_Click();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("请首先选中列表中的曲目！")});

    w->List1->setCurrentRow(0);
    const QString shown = w->RichTextBox1->text();
    ui.calls.clear();
    ui.msgAnswers = {rt::Yes};
    ui.inputAnswers = {std::optional<QString>()};
    w->PopNotLRC4_Click();
    EXPECT_EQ(readFile(lyricFilePath(shared().DataDir, other)), noLyricsStub(QStringLiteral("当前曲目被设置为暂不使用歌词。")));
    EXPECT_EQ(w->RichTextBox1->text(), shown) << "the current display stays";
    EXPECT_FALSE(QFileInfo::exists(lrcsFile()));
}

namespace {

const QString kSaveQuestion = QStringLiteral("是否保存修改?");
const QByteArray kOriginal = "[00:01.00]a\r\n";
const QByteArray kEdited = "[00:01.00]edited\r\n";

int asked(const rt::ScriptedUi& ui, const QString& text)
{
    return int(std::count_if(ui.calls.begin(), ui.calls.end(), [&](const auto& c) { return c.text == text; }));
}

} // namespace

// Two tracks in the list, the first loaded with its lyric file open in the
// editor and edited.
class FrmMainLyricEdits : public FrmMainLyrics {
protected:
    void SetUp() override
    {
        FrmMainLyrics::SetUp();
        trackA = dir.file("music/a.mp3");
        trackB = dir.file("music/b.mp3");
        w->List1->addItems({trackA, trackB});
        w->Track.CurrentIndex = 0;
        setTrack(trackA);
        writeLrcs(kOriginal);
        ASSERT_TRUE(w->LoadTrack());
        ASSERT_TRUE(w->LrcView.LyricsLoaded);
        fileA = lrcsFile();
        fileB = lyricFilePath(shared().DataDir, trackB);
        w->XPButton5_Click();
        ASSERT_TRUE(w->lyricEditorOpen());
        w->RichTextBox2->setText(QString::fromLatin1(kEdited));
        ui.calls.clear();
    }
    // A fresh window and data folder for the next case of a table.
    void restart()
    {
        TearDown();
        resetState();
        QDir(dir.file("data")).removeRecursively();
        ui.openAnswers.clear();
        ui.msgAnswers.clear();
        SetUp();
    }
    QString trackA, trackB, fileA, fileB;
};

// Every way the editor's text can be replaced asks first, and "Yes" keeps
// the edits in the track's own file.
TEST_F(FrmMainLyricEdits, EveryLyricLoadAsksBeforeDroppingTheEdits)
{
    struct Case {
        const char* what;
        std::vector<int> answers; // in the order the boxes come
        std::function<void()> act;
        QByteArray fileAfter;     // the first track's lyric file at the end
    };
    const QByteArray stub = noLyricsStub(QStringLiteral("当前曲目被设置为暂不使用歌词。"));
    const std::vector<Case> cases{
        {"track change", {rt::Yes}, [this] { w->mnuNext_Click(); }, kEdited},
        {"end of track",
         {rt::Yes},
         [this] {
             media->play();
             media->raiseEndOfStream();
             waitFor([&] { return w->Track.CurrentFile == trackB; });
         },
         kEdited},
        {"reload", {rt::Yes, rt::Yes}, [this] { w->mnuReOpenLRC_Click(); }, kEdited},
        {"fuzzy search", {rt::Yes}, [this] { w->mnuOpenLRC2_Click(); }, kEdited},
        {"chosen file, then keep the stored one",
         {rt::Yes, rt::No},
         [this] {
             dir.write("elsewhere/pick.lrc", "[00:04.00]Picked\n");
             ui.openAnswers = {rt::FileDialogResult{{dir.file("elsewhere/pick.lrc")}, 1}};
             w->mnuOpenLRC_Click();
         },
         kEdited},
        {"no-lyrics mark", {rt::Yes, rt::Yes}, [this] { w->mnuNotLRC_Click(); }, stub},
        {"exit", {rt::Yes}, [this] { w->mnuExit_Click(); }, kEdited},
        {"track change, answered No", {rt::No}, [this] { w->mnuNext_Click(); }, kOriginal},
    };
    qputenv("MELODUNE_LRC_HOST", "http://127.0.0.1:9"); // the fuzzy search goes nowhere
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        ui.msgAnswers = c.answers;
        c.act();
        EXPECT_EQ(asked(ui, kSaveQuestion), 1);
        EXPECT_TRUE(ui.msgAnswers.empty()) << "every expected box came";
        EXPECT_FALSE(w->lyricEditorOpen());
        EXPECT_FALSE(w->RichTextBox2->isVisible());
        EXPECT_EQ(readFile(fileA), c.fileAfter);
        EXPECT_FALSE(QFileInfo::exists(fileB)) << "nothing is saved into the other track";
    }
    qunsetenv("MELODUNE_LRC_HOST");
}

TEST_F(FrmMainLyricEdits, AnUnchangedEditorClosesWithoutAQuestion)
{
    w->RichTextBox2->setText(QString::fromLatin1(kOriginal));
    w->mnuNext_Click();
    EXPECT_EQ(asked(ui, kSaveQuestion), 0);
    EXPECT_FALSE(w->lyricEditorOpen());
    EXPECT_EQ(w->Track.CurrentFile, trackB);
}

// The question lets events run: a track change while it waits must not
// send the edits into the new track's file.
TEST_F(FrmMainLyricEdits, YesSavesIntoTheFileTheQuestionWasAskedFor)
{
    const std::vector<std::pair<const char*, std::function<void()>>> closes{
        {"the editor's own close", [this] { w->XPButton5_Click(); }},
        {"reload",
         [this] {
             ui.msgAnswers.insert(ui.msgAnswers.begin(), rt::Yes);
             w->mnuReOpenLRC_Click();
         }},
    };
    for (const auto& [what, close] : closes) {
        SCOPED_TRACE(what);
        restart();
        ui.whileAsking = [this](const QString& text) {
            if (text == kSaveQuestion)
                w->mnuNext_Click();
        };
        ui.msgAnswers = {rt::Yes};
        close();
        ui.whileAsking = nullptr;
        EXPECT_EQ(w->Track.CurrentFile, trackB);
        EXPECT_EQ(readFile(fileA), kEdited);
        EXPECT_FALSE(QFileInfo::exists(fileB));
        EXPECT_FALSE(w->lyricEditorOpen());
    }
}

TEST_F(FrmMainLyricEdits, DeletingTheLyricFileClosesTheEditor)
{
    ui.msgAnswers = {rt::Yes};
    w->mnuDelLRC_Click();
    EXPECT_FALSE(QFileInfo::exists(fileA));
    EXPECT_EQ(asked(ui, kSaveQuestion), 0) << "there is no file left to save into";
    EXPECT_FALSE(w->lyricEditorOpen());
    EXPECT_FALSE(w->RichTextBox2->isVisible());
    EXPECT_EQ(w->XPButtons[5]->caption(), QStringLiteral("修改歌词"));
    EXPECT_FALSE(w->XPButtons[5]->buttonEnabled());
    EXPECT_FALSE(QFileInfo::exists(fileA)) << "and nothing brings it back";
}

TEST_F(FrmMainLyrics, LyricTextsRoundTripThroughTheEditorByteForByte)
{
    setTrack(dir.file("music/song.mp3"));
    struct Row {
        const char* text;   // typed into the editor
        QByteArray bytes;   // the file it saves (GB18030, valid UTF-8 by chance)
        const char* shown;  // parts of the loaded text, "|" between them
    };
    const Row rows[] = {
        {"[ti:小雪][00:01.00]小雪[00:03.00]同学",
         "[ti:\xD0\xA1\xD1\xA9][00:01.00]\xD0\xA1\xD1\xA9[00:03.00]\xCD\xAC\xD1\xA7",
         "标题：小雪|[1.0]小雪|[3.0]同学"},
        {"[00:01.00]谢谢", "[00:01.00]\xD0\xBB\xD0\xBB", "[1.0]谢谢"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        writeLrcs("[00:01.00]a\r\n");
        w->LoadTrackLyrics();
        w->XPButton5_Click();
        ASSERT_TRUE(w->lyricEditorOpen());
        static_cast<QPlainTextEdit*>(w->RichTextBox2Edit)->setPlainText(QString::fromUtf8(r.text));
        ui.msgAnswers = {rt::Yes};
        w->XPButton5_Click();
        EXPECT_EQ(readFile(lrcsFile()), r.bytes);
        const auto shows = [&] {
            for (const QString& part : QString::fromUtf8(r.shown).split(u'|'))
                if (!w->RichTextBox1->text().contains(part))
                    return false;
            return true;
        };
        EXPECT_TRUE(shows()) << w->RichTextBox1->text().toStdString();

        // Loaded afresh, opened and saved again: the same bytes.
        w->LoadTrackLyrics();
        EXPECT_TRUE(shows()) << w->RichTextBox1->text().toStdString();
        w->XPButton5_Click();
        EXPECT_EQ(w->RichTextBox2->text(), QString::fromUtf8(r.text));
        ui.msgAnswers = {rt::Yes};
        w->XPButton5_Click();
        EXPECT_EQ(readFile(lrcsFile()), r.bytes);
    }
}

namespace {

// Where the lyric box's view puts each of its lines.
std::vector<qreal> linePositions(RichTextView& view)
{
    view.refreshNow();
    std::vector<qreal> tops;
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
        tops.push_back(view.document()->documentLayout()->blockBoundingRect(b).top());
    return tops;
}

} // namespace

// A user changes one word in the editor and saves: the other lines of the
// file keep their bytes, line ends included, so the view shows its lines
// where it did; the question comes while the edited text is still shown.
TEST_F(FrmMainLyrics, AnEditorSaveKeepsTheLinesTheUserLeftAlone)
{
    setTrack(dir.file("music/song.mp3"));
    w->RichTextBox1View->resize(334, 240);
    const QByteArray lines[] = {"[ti:Song]", "[ar:\xB8\xE8\xCA\xD6]", "[by:me]", "[00:01.00]One", "[00:02.00]Two",
                                "[00:03.00]Three", "end"};
    for (const char* lineEnd : {"\n", "\r\n", "\r\r\n"}) {
        SCOPED_TRACE(QByteArray(lineEnd).toHex().constData());
        QByteArray file;
        for (const QByteArray& l : lines)
            file += l + lineEnd;
        writeLrcs(file);
        w->LoadTrackLyrics();
        const QString shownBefore = w->RichTextBox1->text();
        const std::vector<qreal> placesBefore = linePositions(*w->RichTextBox1View);

        w->XPButton5_Click();
        ASSERT_TRUE(w->lyricEditorOpen());
        auto* edit = static_cast<QPlainTextEdit*>(w->RichTextBox2Edit);
        QTextCursor at = edit->document()->find(QStringLiteral("Two"));
        ASSERT_FALSE(at.isNull());
        at.clearSelection();
        edit->setTextCursor(at);
        QTest::keyClicks(edit, QStringLiteral("!"));

        bool shownWhileAsked = false;
        ui.whileAsking = [&](const QString& text) {
            if (text == kSaveQuestion)
                shownWhileAsked = w->lyricEditorOpen() && w->RichTextBox2->isVisible() &&
                                  w->RichTextBox2->text().contains(QStringLiteral("Two!"));
        };
        ui.msgAnswers = {rt::Yes};
        w->XPButton5_Click();
        ui.whileAsking = nullptr;
        EXPECT_TRUE(shownWhileAsked);
        EXPECT_FALSE(w->RichTextBox2->isVisible());

        QByteArray expected = file;
        expected.replace("Two", "Two!");
        EXPECT_EQ(readFile(lrcsFile()), expected);
        QString shownAfter = shownBefore;
        shownAfter.replace(QStringLiteral("Two"), QStringLiteral("Two!"));
        EXPECT_EQ(w->RichTextBox1->text(), shownAfter);
        EXPECT_EQ(linePositions(*w->RichTextBox1View), placesBefore);

        // Saved unchanged: the file as it was.
        w->XPButton5_Click();
        ui.msgAnswers = {rt::Yes};
        w->XPButton5_Click();
        EXPECT_EQ(readFile(lrcsFile()), expected);
        EXPECT_EQ(w->RichTextBox1->text(), shownAfter);
    }
}

// The editor edits the file as it is: word stamps and a UTF-16 file's text
// come back as they were, and what GB18030 cannot hold is not lost.
TEST_F(FrmMainLyrics, TheEditorKeepsWordStampsAndEveryCharacter)
{
    setTrack(dir.file("music/song.mp3"));
    const QString enhanced = QStringLiteral("[00:12.46]<00:12.46> I <00:12.69> would\r\n[00:14.00]<00:14.00> 走\r\n");
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : enhanced)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    writeLrcs(utf16);
    w->LoadTrackLyrics();
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), (QStringList{"[12.46]I would", "[14.0]走"}));

    w->XPButton5_Click();
    EXPECT_EQ(w->RichTextBox2->text(), enhanced);
    ui.msgAnswers = {rt::Yes};
    w->XPButton5_Click();
    EXPECT_EQ(readFile(lrcsFile()), utf16) << "unchanged: the file is left as it is";

    // Changed: written as the program's own files are, stamps and all.
    w->XPButton5_Click();
    auto* edit = static_cast<QPlainTextEdit*>(w->RichTextBox2Edit);
    edit->moveCursor(QTextCursor::End);
    edit->insertPlainText(QStringLiteral("[00:15.00]\uE78D")); // as a paste
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);   // a line break of its own kind
    QTest::keyClicks(edit, QStringLiteral("[00:16.00]x"));
    ui.msgAnswers = {rt::Yes};
    w->XPButton5_Click();
    const QString saved = enhanced + QStringLiteral("[00:15.00]\uE78D\r\n[00:16.00]x");
    EXPECT_EQ(rt::decodeLegacy(readFile(lrcsFile())), saved);
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()),
              (QStringList{"[12.46]I would", "[14.0]走", "[15.0]\uE78D", "[16.0]x"}));
}

TEST_F(FrmMainLyrics, AUtf8LyricFileIsReadAsUtf8)
{
    setTrack(dir.file("music/song.mp3"));
    writeLrcs("[ti:晴天]\n[00:01.00]故事的小黄花\n[00:02.00]Белый снег, серый лёд\n[00:03.00]Qui s'enfuit déjà\n");
    w->LoadTrackLyrics();
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()),
              (QStringList{"[1.0]故事的小黄花", "[2.0]Белый снег, серый лёд", "[3.0]Qui s'enfuit déjà"}));
    EXPECT_TRUE(w->RichTextBox1->text().contains(QStringLiteral("标题：晴天")));
}

namespace {

// What taking in the lyric text on the window thread in one go costs: read,
// parse, the box's model and a view laid out over the whole text.
qint64 loadInOneGoMs(const QByteArray& bytes)
{
    QElapsedTimer t;
    t.start();
    const LrcParseResult parsed = parseLrc(normaliseLyricText(rt::decodeLegacy(bytes)));
    RichTextModel box;
    LyricState state;
    applyLrcResult(parsed, box, state);
    styleLyricBox(box, lyricBoxStyle(settings()));
    RichTextView view(&box);
    view.resize(320, 240);
    view.refreshNow();
    view.document()->documentLayout()->blockBoundingRect(view.document()->lastBlock()); // lays all of it out
    return t.elapsed();
}

} // namespace

TEST_F(FrmMainLyrics, ALongLyricFileLoadsWhileTheWindowKeepsAnswering)
{
    // Laid out in one go, the many short lines of the tags cost most.
    const struct {
        const char* name;
        QByteArray bytes;
        bool compare;
    } cases[] = {
        {"25,000 lines", testsupport::bigLrcText(900 * 1000), false},
        {"100,000 tags on one line", testsupport::tagLineText(100000), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.bytes.size(), kMaxLyricBytes);
        setTrack(QStringLiteral("/music/long.mp3"));
        writeLrcs(c.bytes);
        testsupport::StallMeter stall;
        bool loaded = false;
        QTimer::singleShot(0, w.get(), [&] {
            stall.reset();
            w->LoadTrackLyrics();
            loaded = true;
        });
        // Parsed aside: the lyrics come after the load has returned.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return loaded && w->LrcView.LyricsLoaded && w->RichTextBox1View->filled(); }, 60000));
        QTest::qWait(300);
        const qint64 stalledMs = stall.lateMs();
        EXPECT_EQ(w->RichTextBox1View->document()->blockCount(), w->RichTextBox1->lineCount());
        EXPECT_TRUE(w->RichTextBox1->text().contains(QStringLiteral("一")));
        if (!c.compare)
            continue;
        const qint64 oneGoMs = loadInOneGoMs(c.bytes);
        EXPECT_LT(stalledMs * 2, oneGoMs) << "ticks late by " << stalledMs << " ms; in one go " << oneGoMs << " ms";
    }
}

// A long file's load returns at once and its lyrics come when parsed; a
// newer load meanwhile has the last word, and a window that goes meanwhile
// waits for the parse and shows nothing.
TEST_F(FrmMainLyrics, ALongFilesLyricsGiveWayToANewerLoad)
{
    auto parsing = [&] { return !w->findChildren<QObject*>(QStringLiteral("runAside")).isEmpty(); };
    setTrack(QStringLiteral("/music/long.mp3"));
    writeLrcs(testsupport::bigLrcText(900 * 1000));
    w->LoadTrackLyrics();
    EXPECT_TRUE(parsing());
    EXPECT_FALSE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(w->RichTextBox1->text(), lyricSearchingNotice(QStringLiteral("/music/long.mp3")));
    setTrack(dir.file("music/song.mp3"));
    writeLrcs(kLyrics);
    w->LoadTrackLyrics();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !parsing(); }, 60000));
    EXPECT_TRUE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(w->LrcView.LrcPath, lrcsFile());
    EXPECT_EQ(taggedLines(w->RichTextBox1->text()), kLines);

    setTrack(QStringLiteral("/music/long.mp3"));
    w->LoadTrackLyrics();
    EXPECT_TRUE(parsing());
    w.reset();
}

TEST_F(FrmMainLyrics, ALyricFileOverTheCapIsRefusedAtOnceAndLeftAlone)
{
    settings().AutoDownloadLrc = true; // no download replaces the notice
    setTrack(QStringLiteral("/music/huge.mp3"));
    const QByteArray huge = testsupport::bigLrcText(5 * 1000 * 1000);
    writeLrcs(huge);
    testsupport::StallMeter stall;
    bool loaded = false;
    QTimer::singleShot(0, w.get(), [&] {
        stall.reset();
        w->LoadTrackLyrics();
        loaded = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded && w->RichTextBox1View->filled(); }, 60000));
    const qint64 stalledMs = stall.lateMs();
    EXPECT_FALSE(w->LrcView.LyricsLoaded);
    EXPECT_EQ(w->RichTextBox1->text(), lyricTooLargeNotice(lrcsFile()));
    EXPECT_FALSE(w->Lrc->downloading());
    EXPECT_EQ(readFile(lrcsFile()), huge);
    QElapsedTimer t;
    t.start();
    parseLrc(normaliseLyricText(rt::decodeLegacy(huge)));
    const qint64 parseMs = t.elapsed();
    EXPECT_LT(stalledMs * 2, parseMs) << "ticks late by " << stalledMs << " ms; parsing it takes " << parseMs << " ms";

    // Chosen by hand: the same refusal, in a box.
    ui.calls.clear();
    ui.openAnswers.push_back({{lrcsFile()}, 1});
    w->mnuOpenLRC_Click();
    EXPECT_EQ(ui.messages(), QStringList{lyricTooLargeNotice(lrcsFile())});
}

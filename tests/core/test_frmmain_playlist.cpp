// The playlist commands of the main window, offscreen with the media control
// and the capture input replaced by stand-ins and scripted answers.
#include "controls/xpbutton.h"
#include "core/trackname.h"
#include "platform/legacytext.h"
#include "tests/support/mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '{' << l.join(" | ").toStdString() << '}'; }

using namespace melodune;

namespace {

// Scripted answers that also keep the dialog requests.
class RecordingUi : public rt::ScriptedUi {
public:
    std::vector<rt::FileDialogRequest> openRequests;
    std::vector<rt::FileDialogRequest> saveRequests;
    rt::FileDialogResult openFile(const rt::FileDialogRequest& req) override
    {
        openRequests.push_back(req);
        return ScriptedUi::openFile(req);
    }
    rt::FileDialogResult saveFile(const rt::FileDialogRequest& req) override
    {
        saveRequests.push_back(req);
        return ScriptedUi::saveFile(req);
    }
};

rt::FileDialogResult chose(const QStringList& files)
{
    rt::FileDialogResult r;
    r.files = files;
    return r;
}

QByteArray listText(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += rt::encodeLegacy(QLatin1Char('"') + l + QStringLiteral("\"\r\n"));
    return out;
}

class PlaylistWindowTest : public testsupport::MainWindowTest<RecordingUi> {
protected:
    // A loaded window whose deferred start never runs on its own.
    FrmMain& start()
    {
        w.reset();
        w = std::make_unique<FrmMain>(services);
        EXPECT_TRUE(w->Form_Load());
        w->Timer[3]->stop();
        ui.calls.clear();
        media().calls.clear();
        return *w;
    }
    // Starts with List.mdu holding `entries` and the index line `current`.
    FrmMain& startWith(const QStringList& entries, int current)
    {
        EXPECT_TRUE(writePlaylistFile(listFile(), entries, current));
        return start();
    }

    QString listFile() const { return listFilePath(shared().DataDir); }
    rt::FakeMediaControl& media() const { return *static_cast<rt::FakeMediaControl*>(w->MediaPlayer1); }
    QStringList entries() const { return w->playlistState().entries; }
    QString path(const QString& name) const { return dir.file(name); }
    void select(int row)
    {
        w->List1->setCurrentRow(row);
    }
    // Runs the queued drop handler.
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    void drop(const QStringList& files)
    {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& f : files)
            urls << QUrl::fromLocalFile(f);
        mime->setUrls(urls);
        QWidget* target = w->List1->viewport();
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        delete mime;
        settle();
    }
};

} // namespace

TEST_F(PlaylistWindowTest, AddsChosenFilesWithAListFileInItsPlace)
{
    dir.write("in.m3u", "#EXTM3U\r\n#EXTINF:1,x\r\n/music/b.mp3\r\nrel/c.wma\r\n");
    start();
    ui.openAnswers = {chose({path("a.mp3"), path("in.m3u"), path("d.avi")})};
    w->mnuAdd_Click();

    ASSERT_EQ(ui.openRequests.size(), 1u);
    const rt::FileDialogRequest& req = ui.openRequests[0];
    EXPECT_EQ(req.title, QStringLiteral("添加曲目"));
    EXPECT_TRUE(req.multiSelect);
    EXPECT_TRUE(req.filter.startsWith(QStringLiteral("默认文件(音频和视频)|*.mp3;")));
    EXPECT_TRUE(req.filter.endsWith(QStringLiteral("|列表文件(*.mdu;*.m3u)|*.mdu;*.m3u|所有文件(*.*)|*.*")));
    EXPECT_EQ(req.filter.count(u'|'), 13);

    EXPECT_EQ(entries(), QStringList({path("a.mp3"), "/music/b.mp3", path("rel/c.wma"), path("d.avi")}));
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共4首)"));
    EXPECT_EQ(w->List1->currentRow(), -1) << "several files into an empty list select nothing";
    EXPECT_TRUE(media().calls.isEmpty());
    EXPECT_EQ(w->Marks.size(), 4);
}

TEST_F(PlaylistWindowTest, OneFileIntoAnEmptyListIsLoadedWithoutPlaying)
{
    start();
    ui.openAnswers = {chose({path("only.mp3")})};
    w->XPButtons[9]->Click();
    EXPECT_EQ(entries(), QStringList({path("only.mp3")}));
    EXPECT_EQ(w->Track.CurrentIndex, 0);
    EXPECT_EQ(w->List1->currentRow(), 0);
    EXPECT_EQ(w->Marks.size(), 1);
    EXPECT_EQ(media().calls, QStringList({"FileName=" + path("only.mp3")}));

    // Cancel changes nothing but keeps the marks in step.
    w->mnuAdd_Click();
    EXPECT_EQ(entries().size(), 1);
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(PlaylistWindowTest, NetworkAddressWithATitleGetsItsNoLyricsMark)
{
    startWith({"/m/a.mp3", "/m/b.mp3"}, 1);
    // Cancel in the first box: nothing changes and no second box is shown.
    w->mnuAdd2_Click();
    EXPECT_EQ(entries().size(), 2);
    EXPECT_EQ(ui.calls.size(), 1u);

    const QString address = QStringLiteral("http://radio.example.com:8000/live");
    ui.inputAnswers = {QStringLiteral("  ") + address + QStringLiteral(" "), QStringLiteral(" 城市 [FM] ")};
    w->mnuAdd2_Click();
    EXPECT_EQ(ui.calls[1].title, QStringLiteral("添加曲目"));
    EXPECT_TRUE(ui.calls[1].text.startsWith(QStringLiteral("请输入曲目的地址。\r\n例如：")));
    EXPECT_EQ(ui.calls[2].title, QStringLiteral("曲目标题"));
    EXPECT_EQ(entries().value(2), address);
    EXPECT_EQ(w->Track.CurrentIndex, 1) << "an add to a longer list keeps the loaded track";
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共3首)"));

    const QString stub = QStringLiteral("data/LRCS/") + mangledTrackName(address, QStringLiteral(".lrc"));
    EXPECT_EQ(mangledTrackName(address, QStringLiteral(".lrc")), QStringLiteral("http-__radio.example.com-8000_live.lrc"));
    EXPECT_EQ(rt::decodeLegacy(dir.read(stub)),
              QStringLiteral("[0:0]城市 ［FM］\r\n［如果想使用歌词，请重新查找或修改］\r\n"));

    // A name longer than the file system takes is still written.
    const QString longAddress = QStringLiteral("http://host/") + QString(200, QChar(0x6B4C));
    ui.inputAnswers = {longAddress, QStringLiteral("长名")};
    w->mnuAdd2_Click();
    EXPECT_TRUE(dir.exists(QStringLiteral("data/LRCS/") + mangledTrackName(longAddress, QStringLiteral(".lrc"))));
    EXPECT_EQ(entries().size(), 4);

    // Without a title: added, no mark.
    ui.inputAnswers = {QStringLiteral("http://other/stream"), std::nullopt};
    w->mnuAdd2_Click();
    EXPECT_EQ(entries().value(4), QStringLiteral("http://other/stream"));
    EXPECT_FALSE(dir.exists(QStringLiteral("data/LRCS/") + mangledTrackName("http://other/stream", ".lrc")));
}

TEST_F(PlaylistWindowTest, AddingBeyondTheListsCapacityIsRefusedAndLosesNothing)
{
    QStringList many;
    for (int i = 0; i < kMaxListEntries - 1; ++i)
        many << QStringLiteral("/m/%1.mp3").arg(i);
    startWith(many, 5);
    ui.openAnswers = {chose({path("x.mp3"), path("y.mp3"), path("z.mp3")})};
    w->mnuAdd_Click();
    EXPECT_EQ(w->List1->count(), kMaxListEntries);
    EXPECT_EQ(entries().last(), path("x.mp3"));
    EXPECT_EQ(entries().first(), "/m/0.mp3");
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("32767"))) << ui.messages()[0].toStdString();
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("其余 2 首")));

    // A full list refuses a network address before any mark is written.
    ui.inputAnswers = {QStringLiteral("http://full/stream"), QStringLiteral("title")};
    w->mnuAdd2_Click();
    EXPECT_EQ(w->List1->count(), kMaxListEntries);
    EXPECT_EQ(ui.messages().size(), 2);
    EXPECT_FALSE(dir.exists(QStringLiteral("data/LRCS/") + mangledTrackName("http://full/stream", ".lrc")));
    EXPECT_EQ(w->Track.CurrentIndex, 5);
}

TEST_F(PlaylistWindowTest, ImportAppendsOnNoAndReplacesOnYes)
{
    dir.write("two.mdu", listText({">7", "/n/1.mp3", "/n/2.mp3"}));
    dir.write("one.m3u", "#EXTM3U\r\n/n/solo.mp3\r\n");
    startWith({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, 1);

    ui.openAnswers = {chose({path("two.mdu")})};
    ui.msgAnswers = {rt::No, rt::Ok};
    w->mnuListIn_Click();
    EXPECT_EQ(ui.openRequests.at(0).title, QStringLiteral("导入播放列表"));
    EXPECT_EQ(ui.openRequests.at(0).filter, QStringLiteral("列表文件(*.mdu;*.m3u)|*.mdu;*.m3u"));
    EXPECT_EQ(ui.messages(), QStringList({"你是否要清空以前的列表?", "导入列表成功!"}));
    EXPECT_EQ(ui.calls[1].style, rt::YesNo | rt::Question | rt::DefaultButton2);
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/n/1.mp3", "/n/2.mp3"}));
    EXPECT_EQ(w->Track.CurrentIndex, 1) << "the index line of an imported list is not taken";
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共5首)"));
    EXPECT_TRUE(media().calls.isEmpty());

    ui.calls.clear();
    ui.openAnswers = {chose({path("one.m3u")})};
    ui.msgAnswers = {rt::Yes, rt::Ok};
    w->mnuListIn_Click();
    EXPECT_EQ(entries(), QStringList({"/n/solo.mp3"}));
    EXPECT_EQ(w->Track.CurrentIndex, 0);
    EXPECT_EQ(w->List1->currentRow(), 0);
    EXPECT_EQ(media().calls, QStringList({"FileName=/n/solo.mp3"})) << "loaded, not played";
}

TEST_F(PlaylistWindowTest, AnImportThatCannotReadItsFileSaysSoAndChangesNothing)
{
    startWith({"/m/a.mp3", "/m/b.mp3"}, 1);
    const QStringList before = entries();
    ui.openAnswers = {chose({path("gone.mdu")})};
    w->mnuListIn_Click();
    EXPECT_EQ(ui.messages(), QStringList({"导入列表失败!"})) << "no clearing question either";
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(w->Track.CurrentIndex, 1);

    // A media file named like a list: no list, and no junk entries.
    dir.write("song.mdu", QByteArray("ID3\x04\x00\x00\x00\x00\x00\x00\xFF\xFB\x90\x64\x00\x00\n", 17));
    for (const bool dropped : {false, true}) {
        ui.calls.clear();
        if (dropped) {
            ui.msgAnswers = {rt::Yes};
            drop({path("song.mdu")});
        } else {
            ui.openAnswers = {chose({path("song.mdu")})};
            w->mnuListIn_Click();
        }
        EXPECT_EQ(ui.messages().last(),
                  "“" + path("song.mdu") + "”不是播放列表文件(它不是 GB18030 或 UTF-8 编码的文本)，未导入。");
        EXPECT_EQ(entries(), before);
    }

    // Cancel in the dialog: quiet.
    ui.calls.clear();
    w->mnuListIn_Click();
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(entries(), before);
}

TEST_F(PlaylistWindowTest, ExportNamesAndReportsFailure)
{
    startWith({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, 2);
    QDir().mkpath(path("f.mdu"));
    const struct {
        QString chosen;
        QString written;
    } cases[] = {
        {path("x.mdu.bak"), path("x.bak.mdu")},
        {path("y.MDU"), path("y.MDU.mdu")},
        {path("z.mdu"), path("z.mdu")},
        {path("f.mdu/inner"), path("f.mdu/inner.mdu")}, // the folder keeps its name
    };
    for (const auto& c : cases) {
        ui.calls.clear();
        ui.saveAnswers = {chose({c.chosen})};
        w->mnuListSa_Click();
        EXPECT_EQ(ui.messages(), QStringList({"导出列表成功!"})) << c.chosen.toStdString();
        const PlaylistRead read = readPlaylistFile(c.written);
        EXPECT_EQ(read.status, ListReadStatus::Ok) << c.written.toStdString();
        EXPECT_EQ(read.entries, entries());
        EXPECT_EQ(read.currentIndex, std::optional<std::int32_t>(2));
    }
    const rt::FileDialogRequest& req = ui.saveRequests.at(0);
    EXPECT_EQ(req.title, QStringLiteral("请选择导出的列表文件的保存位置"));
    EXPECT_EQ(req.fileName, QStringLiteral("播放列表 - 260102030405"));
    EXPECT_EQ(req.filter, QStringLiteral("列表文件(*.mdu)|*.mdu"));
    EXPECT_TRUE(req.overwritePrompt);

    ui.calls.clear();
    ui.saveAnswers = {chose({path("no/such/folder/list.mdu")})};
    w->mnuListSa_Click();
    EXPECT_EQ(ui.messages(), QStringList({"导出列表失败!"}));

    // Cancel: no message.
    ui.calls.clear();
    w->mnuListSa_Click();
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(PlaylistWindowTest, ExportAsksBeforeReplacingAFileOtherThanTheOneConfirmed)
{
    startWith({"/m/a.mp3"}, 0);
    dir.write("k.bak.mdu", "old");
    ui.saveAnswers = {chose({path("k.mdu.bak")})};
    w->mnuListSa_Click(); // the question defaults to No
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(dir.read("k.bak.mdu"), "old");
}

TEST_F(PlaylistWindowTest, DeletingMovesTheCurrentIndexAndRewritesTheList)
{
    const QStringList six = {"/m/0", "/m/1", "/m/2", "/m/3", "/m/4", "/m/5"};
    const struct {
        int current, selected, currentAfter;
    } cases[] = {
        {5, 2, 4},
        {2, 5, 2},
        {3, 3, 2},
        {0, 0, 0},
    };
    for (const auto& c : cases) {
        startWith(six, c.current);
        select(c.selected);
        ui.msgAnswers = {rt::Yes};
        w->XPButtons[14]->Click();
        QStringList expected = six;
        expected.removeAt(c.selected);
        EXPECT_EQ(entries(), expected);
        EXPECT_EQ(w->Track.CurrentIndex, c.currentAfter) << c.current << "/" << c.selected;
        EXPECT_EQ(w->List1->currentRow(), c.currentAfter);
        EXPECT_EQ(w->Marks.lastPlayedPos(), 0);
        EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共5首)"));
        EXPECT_EQ(dir.read("data/List.mdu"), listText(expected)) << "rewritten without the index line";
    }
    EXPECT_EQ(ui.messages().value(0), QStringLiteral("你确定要将曲目“/m/0”从播放列表中删除吗?"));
    EXPECT_EQ(ui.calls.at(0).style, rt::YesNo | rt::Exclamation | rt::DefaultButton2);
}

TEST_F(PlaylistWindowTest, DeletingTheOnlyEntryRemovesTheListFile)
{
    startWith({"/m/only.mp3"}, 0);
    ui.msgAnswers = {rt::Yes};
    w->mnuDelete_Click();
    EXPECT_EQ(w->List1->count(), 0);
    EXPECT_EQ(w->Track.CurrentIndex, 0);
    EXPECT_FALSE(dir.exists("data/List.mdu"));
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共0首)"));
}

TEST_F(PlaylistWindowTest, DeleteQuestionsAnsweredNoKeepEverything)
{
    startWith({"/m/a", "/m/b", "/m/c"}, 1);
    const QByteArray saved = dir.read("data/List.mdu");
    select(2);
    w->mnuDelete_Click();     // No by default
    w->mnuDeleteAll_Click();  // No by default
    EXPECT_EQ(ui.messages(), QStringList({"你确定要将曲目“/m/c”从播放列表中删除吗?", "你确定要将播放列表中的所有曲目全删除吗?"}));
    EXPECT_EQ(entries(), QStringList({"/m/a", "/m/b", "/m/c"}));
    EXPECT_EQ(w->Track.CurrentIndex, 1);
    EXPECT_EQ(dir.read("data/List.mdu"), saved);

    ui.msgAnswers = {rt::Yes};
    w->mnuDeleteAll_Click();
    EXPECT_EQ(w->List1->count(), 0);
    EXPECT_EQ(w->Track.CurrentIndex, -1);
    EXPECT_FALSE(dir.exists("data/List.mdu"));
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共0首)"));
}

TEST_F(PlaylistWindowTest, DroppedFilesAskAndAddOnlyTheFirst)
{
    dir.write("drop.mdu", listText({"/d/1.mp3", "/d/2.mp3"}));
    startWith({"/m/a.mp3"}, 0);

    ui.msgAnswers = {rt::Yes};
    drop({path("first.MP3"), path("second.mp3")});
    EXPECT_EQ(ui.messages(), QStringList({"你要添加曲目【" + path("first.MP3") + "】到播放列表吗?"}));
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", path("first.MP3")}));
    EXPECT_TRUE(shared().PendingFile.isEmpty());

    // A list file goes to the import, which asks first.
    ui.calls.clear();
    ui.msgAnswers = {rt::Yes, rt::No, rt::Ok};
    drop({path("drop.mdu")});
    EXPECT_EQ(ui.messages(), QStringList({"你要导入播放列表“" + path("drop.mdu") + "”吗?", "你是否要清空以前的列表?",
                                          "导入列表成功!"}));
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", path("first.MP3"), "/d/1.mp3", "/d/2.mp3"}));

    // No to the add question adds nothing; another type only gets the message.
    ui.calls.clear();
    ui.msgAnswers = {rt::No};
    drop({path("third.wav")});
    drop({path("notes.txt")});
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_TRUE(ui.messages()[1].startsWith(QStringLiteral("目前无法直接添加此类型文件到列表")));
    EXPECT_EQ(ui.calls[1].style, rt::OkOnly | rt::Critical);
    EXPECT_EQ(entries().size(), 4);
    EXPECT_TRUE(ui.openRequests.empty()) << "a drop never opens the add dialog";
    EXPECT_TRUE(shared().PendingFile.isEmpty());
}

// A name the list file cannot keep as it is (a line end splits it in two, a
// double quote is dropped, bytes that are no UTF-8 arrive as U+FFFD) would
// name another file after the next save: it is refused when it is added.
TEST_F(PlaylistWindowTest, NamesTheListCannotKeepAreRefusedWhenAdded)
{
    const QString lineEnd = path("a\nb.wav");
    const QString quote = path("12\" mix.wav");
    const QByteArray rawName = QFile::encodeName(dir.path()) + "/\xFF\xFE.wav";
    const QString notUtf8 = QFile::decodeName(rawName); // as the system's dialogs give it
    const QString good = path("ok.wav");
    dir.write("a\nb.wav", "x");
    dir.write("12\" mix.wav", "x");
    dir.write("ok.wav", "x");
    {
        const int fd = ::open(rawName.constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    startWith({"/m/a.mp3"}, 0);

    ui.openAnswers = {chose({lineEnd, quote, good, notUtf8})};
    w->mnuAdd_Click();
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", good}));
    EXPECT_EQ(ui.messages(), QStringList{"无法添加“" + path("a↵b.wav") +
                                         "”：名称中含有换行符，播放列表无法保存这样的名称。(共有 3 个文件因此未添加。)"});

    ui.calls.clear();
    ui.openAnswers = {chose({notUtf8})};
    w->mnuAdd_Click();
    EXPECT_EQ(ui.messages(), QStringList{"无法添加“" + notUtf8 +
                                         "”：文件名不是有效的 UTF-8 编码，播放列表无法保存这样的名称。"});

    // Dropped, after the add question.
    ui.calls.clear();
    ui.msgAnswers = {rt::Yes};
    drop({lineEnd});
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(ui.messages()[1], "无法添加“" + path("a↵b.wav") + "”：名称中含有换行符，播放列表无法保存这样的名称。");

    // A typed address: refused before the title is asked for.
    ui.calls.clear();
    ui.inputAnswers = {QStringLiteral("http://radio/\"live\"")};
    w->mnuAdd2_Click();
    EXPECT_EQ(ui.messages(), QStringList{"无法添加“http://radio/\"live\"”：名称中含有双引号，播放列表无法保存这样的名称。"});
    EXPECT_EQ(std::count_if(ui.calls.begin(), ui.calls.end(), [](const auto& c) { return c.kind == "input"; }), 1);

    // What was added comes back as it was.
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", good}));
    w->mnuExit_Click();
    start();
    EXPECT_EQ(entries(), QStringList({"/m/a.mp3", good}));
}

TEST_F(PlaylistWindowTest, MouseOnTheListLoadsOnPressShowsThePopupAndPlaysOnDoubleClick)
{
    startWith({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, 0);
    QWidget* vp = w->List1->viewport();
    const QPoint onB = w->List1->visualItemRect(w->List1->item(1)).center();

    QTest::mousePress(vp, Qt::RightButton, {}, onB);
    EXPECT_EQ(w->List1->currentRow(), 1);
    EXPECT_EQ(w->Track.CurrentIndex, 1);
    EXPECT_EQ(media().calls, QStringList({"FileName=/m/b.mp3"}));
    EXPECT_TRUE(w->Marks.isMarked(1));
    EXPECT_EQ(w->Marks.lastPlayedPos(), 2);
    QTest::mouseRelease(vp, Qt::RightButton, {}, onB);
    ASSERT_NE(w->Popmnu4, nullptr);
    EXPECT_TRUE(w->Popmnu4->isVisible());
    w->Popmnu4->hide();
    QStringList order;
    for (QAction* a : w->Popmnu4->actions())
        order << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(order.join(' '), QStringLiteral("PopAddFile PopAddLink - PopSearch2 - PopPlaySelct - PopNotLRC4 - "
                                              "PopDelete PopDeleteAll - PopListIn PopListSa"));
    EXPECT_EQ(w->PopDelete->text(), QStringLiteral("删除选中的曲目"));

    QTest::mouseMove(vp, onB);
    EXPECT_EQ(w->List1->toolTip(), QStringLiteral("当前列表选中曲目【/m/b.mp3】"));

    // While playing a press only selects.
    w->MediaPlayer1->play();
    media().calls.clear();
    const QPoint onC = w->List1->visualItemRect(w->List1->item(2)).center();
    QTest::mousePress(vp, Qt::LeftButton, {}, onC);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, onC);
    EXPECT_EQ(w->List1->currentRow(), 2);
    EXPECT_EQ(w->Track.CurrentIndex, 1);
    EXPECT_TRUE(media().calls.isEmpty());

    QTest::mouseDClick(vp, Qt::LeftButton, {}, onC);
    EXPECT_EQ(w->Track.CurrentIndex, 2);
    EXPECT_TRUE(media().calls.contains("FileName=/m/c.mp3"));
    EXPECT_EQ(media().calls.last(), "Play");
    EXPECT_TRUE(w->List1->isEnabled());
}

TEST_F(PlaylistWindowTest, APressWithNothingSelectedLoadsNothing)
{
    startWith({"/m/a.mp3", "/m/b.mp3"}, 0);
    w->List1->setCurrentRow(-1);
    w->List1->clearSelection();
    // Below the last entry: no entry is hit.
    QTest::mousePress(w->List1->viewport(), Qt::LeftButton, {}, QPoint(5, w->List1->viewport()->height() - 2));
    EXPECT_TRUE(media().calls.isEmpty());
    EXPECT_EQ(w->Track.CurrentIndex, 0) << "the loaded track stays the current one";
    QTest::mouseMove(w->List1->viewport(), QPoint(5, w->List1->viewport()->height() - 3));
    EXPECT_EQ(w->List1->toolTip(), QStringLiteral("当前列表选中曲目【未选择】"));
}

TEST_F(PlaylistWindowTest, AListBuiltByEveryCommandComesBackAfterARestart)
{
    dir.write("more.m3u", "#EXTM3U\r\n/i/1.mp3\r\n/i/2.mp3\r\n");
    start();
    ui.openAnswers = {chose({path("a.mp3"), path("b.mp3"), path("c.mp3")})};
    w->mnuAdd_Click();
    ui.msgAnswers = {rt::Yes};
    drop({path("dropped.wmv")});
    ui.openAnswers = {chose({path("more.m3u")})};
    ui.msgAnswers = {rt::No, rt::Ok};
    w->mnuListIn_Click();
    ui.inputAnswers = {QStringLiteral("http://s/live"), std::nullopt};
    w->mnuAdd2_Click();
    select(1);
    ui.msgAnswers = {rt::Yes};
    w->mnuDelete_Click(); // b.mp3
    select(3);
    w->Track.CurrentIndex = 3;

    const QStringList built = entries();
    EXPECT_EQ(built, QStringList({path("a.mp3"), path("c.mp3"), path("dropped.wmv"), "/i/1.mp3", "/i/2.mp3",
                                  "http://s/live"}));
    w->mnuExit_Click();
    w.reset();

    start();
    EXPECT_EQ(entries(), built);
    EXPECT_EQ(w->Track.CurrentIndex, 3);
    EXPECT_EQ(w->List1->currentRow(), 3);
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("曲目列表(共6首)"));
}

TEST_F(PlaylistWindowTest, NamesRoundTripThroughAddExitAndStartByteForByte)
{
    // Each name's GB18030 bytes are also well-formed UTF-8.
    const std::pair<const char*, QByteArray> rows[] = {
        {"/home/u/Music/雲圖.mp3", "/home/u/Music/\xEB\x85\x88\x44.mp3"},
        {"/home/u/Music/顏圓.mp3", "/home/u/Music/\xEE\x81\x88\x41.mp3"},
        {"/home/u/Music/陽園.mp3", "/home/u/Music/\xEA\x96\x88\x40.mp3"},
        {"/home/u/小雪.mp3", "/home/u/\xD0\xA1\xD1\xA9.mp3"},
        {"/home/u/谢谢.mp3", "/home/u/\xD0\xBB\xD0\xBB.mp3"},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        QFile::remove(listFile());
        const QString entry = QString::fromUtf8(name);
        start();
        ui.openAnswers = {chose({entry})};
        w->mnuAdd_Click();
        ASSERT_EQ(entries(), QStringList{entry});
        w->mnuExit_Click();
        const QByteArray written = "\">0\"\r\n\"" + bytes + "\"\r\n";
        EXPECT_EQ(dir.read("data/List.mdu"), written);

        start();
        EXPECT_EQ(entries(), QStringList{entry});
        w->mnuExit_Click();
        EXPECT_EQ(dir.read("data/List.mdu"), written);
    }
}

TEST_F(PlaylistWindowTest, AUtf8ListIsReadAsUtf8AndSavedAsGb18030)
{
    const QStringList lists[] = {
        {QStringLiteral("/home/u/音乐/周杰伦 - 晴天.mp3"), QStringLiteral("/home/u/Музыка/Кино - Группа крови.mp3"),
         QStringLiteral("/home/u/Music/Café del Mar - Mañana.mp3")},
        // Only 2-byte sequences, as GB18030 text often is.
        {QStringLiteral("/home/u/Музыка/Кино - Звезда.mp3"), QStringLiteral("/home/u/Music/Édith Piaf - Non.mp3")},
    };
    for (const QStringList& names : lists) {
        SCOPED_TRACE(names.join(' ').toStdString());
        QByteArray utf8;
        for (const QString& n : names)
            utf8 += n.toUtf8() + "\n";
        dir.write("data/List.mdu", utf8);
        start();
        EXPECT_EQ(entries(), names);
        w->mnuExit_Click();
        EXPECT_EQ(dir.read("data/List.mdu"), "\">0\"\r\n" + listText(names));
        start();
        EXPECT_EQ(entries(), names);
    }
}

// The playlist commands of the main window: adding, dropping, importing,
// exporting and deleting entries, and the list's mouse handlers.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/log.h"
#include "core/playlistedit.h"
#include "core/playlistfile.h"
#include "core/settings.h"
#include "core/shared.h"
#include "core/trackname.h"
#include "lyrics/lyricloader.h"
#include "lyrics/richtext.h"
#include "platform/atomicfile.h"
#include "platform/clock.h"
#include "platform/ui.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace melodune {

namespace {

// The add dialog's media types, in the order the dialog offers them.
const QString kAddFilter = QStringLiteral(
    "默认文件(音频和视频)|*.mp3;*.wma;*.wav;*.au;*.snd;*.mid;*.midi;*.rmi;*.mp4;*.avi;*.wmv;*.mpg;*.mpeg;*.asf;*.wm|"
    "音频文件(*.mp3;*.wma;*.wav;*.au;*.snd;*.mid;*.midi;*.rmi;*.mp4)|*.mp3;*.wma;*.wav;*.au;*.snd;*.mid;*.midi;*.rmi;*.mp4|"
    "视频文件(*.avi;*.wmv;*.mpg;*.mpeg;*.asf;*.wm)|*.avi;*.wmv;*.mpg;*.mpeg;*.asf;*.wm|"
    "Real文件(*.ra;*.rm;*.rmvb)|*.ra;*.rm;*.rmvb|"
    "影碟文件(*.dat;*.vob)|*.dat;*.vob|"
    "列表文件(*.mdu;*.m3u)|*.mdu;*.m3u|"
    "所有文件(*.*)|*.*");

const QString kImportFailed = QStringLiteral("导入列表失败!");

// A list file that could not be taken in: why, in a box.
void tellImportFailed(const QString& file, ListReadStatus status)
{
    if (status == ListReadStatus::NotText)
        rt::ui().msgBox(QStringLiteral("“") + file +
                            QStringLiteral("”不是播放列表文件(它不是 GB18030 或 UTF-8 编码的文本)，未导入。"),
                        rt::Exclamation, rt::appTitle());
    else
        rt::ui().msgBox(kImportFailed, rt::Exclamation, rt::appTitle());
}

// Names the list file could not keep are not added: one box for all.
void tellNotAdded(const QString& first, EntryProblem problem, int count)
{
    QString text = QStringLiteral("无法添加“") + entryForMessage(first) + QStringLiteral("”：") +
                   entryProblemText(problem) + QStringLiteral("，播放列表无法保存这样的名称。");
    if (count > 1)
        text += QStringLiteral("(共有 %1 个文件因此未添加。)").arg(count);
    rt::ui().msgBox(text, rt::Exclamation, rt::appTitle());
}

int ask(const QString& text, int style)
{
    return rt::ui().msgBox(text, style, rt::appTitle());
}

void tellListFull(int refused)
{
    rt::ui().msgBox(QStringLiteral("播放列表最多只能容纳 %1 首曲目，其余 %2 首未能添加。")
                        .arg(kMaxListEntries)
                        .arg(refused),
                    rt::Exclamation, rt::appTitle());
}

// While another track change lets messages run no load can start: an add
// that would load its entry still adds and selects it, but CurrentIndex
// never names an entry that was not loaded. The add would load only into an
// empty or replaced list, so the track being loaded is in it no more.
void keepCurrentDuringTrackChange(const FrmMain& w, PlaylistState& s, AddResult& r)
{
    if (!r.loadFirst || !w.trackChangeRunning())
        return;
    s.currentIndex = -1;
    r.loadFirst = false;
}

// One list command at a time: the boxes are modal and a track load lets
// pending window messages run, so a second command could otherwise start
// inside the first.
class CommandGuard {
public:
    explicit CommandGuard(bool& busy) : busy_(busy), owned_(!busy) { busy_ = true; }
    ~CommandGuard()
    {
        if (owned_)
            busy_ = false;
    }
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;
    explicit operator bool() const { return owned_; }

private:
    bool& busy_;
    bool owned_;
};

// The list's viewport events: mouse handlers that run after the list has
// moved its selection (as the handlers expect), and dropped files.
class List1Events : public QObject {
public:
    explicit List1Events(FrmMain* w) : QObject(w), w_(w) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            if (forwarding_)
                return false;
            const QEvent::Type type = e->type();
            const Qt::MouseButton button = static_cast<QMouseEvent*>(e)->button();
            forwarding_ = true;
            QCoreApplication::sendEvent(watched, e);
            forwarding_ = false;
            e->accept();
            if (!w_)
                return true;
            if (type == QEvent::MouseButtonPress)
                w_->List1_MouseDown(button);
            else if (type == QEvent::MouseButtonRelease)
                w_->List1_MouseUp(button);
            else
                w_->List1_DblClick();
            return true;
        }
        case QEvent::MouseMove:
            if (w_)
                w_->List1_MouseMove();
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* d = static_cast<QDropEvent*>(e);
            if (d->mimeData() && d->mimeData()->hasUrls()) {
                d->acceptProposedAction();
                return true;
            }
            d->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            QStringList files;
            if (const QMimeData* data = d->mimeData())
                for (const QUrl& url : data->urls())
                    if (url.isLocalFile())
                        files << url.toLocalFile();
            d->acceptProposedAction();
            // The commands ask questions: run them after the drop is
            // finished, so the program the files came from is not held.
            QPointer<FrmMain> w = w_;
            QTimer::singleShot(0, w_, [w, files] {
                if (w)
                    w->List1_OLEDragDrop(files);
            });
            return true;
        }
        default:
            return false;
        }
    }

private:
    QPointer<FrmMain> w_;
    bool forwarding_ = false;
};

} // namespace

// ---- the list box as editing state ------------------------------------------

PlaylistState FrmMain::playlistState() const
{
    PlaylistState s;
    s.entries.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i)
        s.entries << List1->item(i)->text();
    s.selected = List1->currentRow();
    s.currentIndex = Track.CurrentIndex;
    s.marks = Marks;
    return s;
}

void FrmMain::showPlaylistState(const PlaylistState& s)
{
    // The editing rules already did the click's marking.
    const QSignalBlocker block(List1);
    const int old = List1->count();
    auto sameAt = [&](int listRow, int entry) { return List1->item(listRow)->text() == s.entries[entry]; };
    int common = 0;
    while (common < old && common < s.count() && sameAt(common, common))
        ++common;
    if (common == old) {
        List1->addItems(s.entries.mid(old));
    } else if (s.count() == old - 1) {
        // One entry removed: keep the others' items.
        bool rest = true;
        for (int i = common; i < s.count() && rest; ++i)
            rest = sameAt(i + 1, i);
        if (rest) {
            delete List1->takeItem(common);
        } else {
            List1->clear();
            List1->addItems(s.entries);
        }
    } else {
        List1->clear();
        List1->addItems(s.entries);
    }
    if (s.selected >= 0 && s.selected < List1->count()) {
        List1->setCurrentRow(s.selected);
    } else {
        List1->setCurrentRow(-1);
        List1->clearSelection();
    }
    Track.CurrentIndex = s.currentIndex;
    Marks = s.marks;
    Frame1->setTitle(listCountCaption(List1->count()));
}

// ---- List1 -------------------------------------------------------------------

void FrmMain::List1_Click()
{
    Marks.onSelect(List1->currentRow(), List1->count());
}

void FrmMain::List1_MouseDown(Qt::MouseButton)
{
    if (!pressLoadsSelection(MediaPlayer1->playState(), List1->count(), List1->currentRow()))
        return;
    // During another track change the load would be refused: the press only
    // selects, and CurrentIndex stays with the track being loaded.
    if (trackChangeRunning())
        return;
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    Rec.PlayingRecording = false;
    Track.CurrentIndex = List1->currentRow();
    LoadTrack();
}

void FrmMain::List1_MouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        Popmnu4->popup(QCursor::pos());
}

void FrmMain::List1_MouseMove()
{
    const int row = List1->currentRow();
    const bool any = row >= 0 && row < List1->count();
    List1->setToolTip(listToolTip(any ? List1->item(row)->text() : QString(), any));
}

void FrmMain::List1_DblClick()
{
    const int row = List1->currentRow();
    if (row >= 0)
        pendingDoubleClick_ = PendingDoubleClick{row, List1->item(row)->text(), listEpoch_};
    playPendingDoubleClick();
}

void FrmMain::playPendingDoubleClick()
{
    if (!pendingDoubleClick_)
        return;
    // The press of a double click loads its entry and lets messages run, so
    // the double click mostly comes while that load (or another command)
    // still runs: it waits for them instead of being lost.
    if (PlaylistCommandBusy || trackChangeRunning()) {
        QTimer::singleShot(20, this, [this] { playPendingDoubleClick(); });
        return;
    }
    const PendingDoubleClick click = *std::exchange(pendingDoubleClick_, std::nullopt);
    // A restart or a rebuilt list meanwhile: the entry is gone.
    if (reloadQueued_ || click.listEpoch != listEpoch_ || click.row >= List1->count() ||
        List1->item(click.row)->text() != click.entry)
        return;
    if (List1->currentRow() != click.row)
        selectEntry(click.row);
    // Disabled meanwhile, so a second double click cannot start another load.
    List1->setEnabled(false);
    mnuPlaySelct_Click();
    List1->setEnabled(true);
}

void FrmMain::List1_OLEDragDrop(const QStringList& droppedFiles)
{
    if (PlaylistCommandBusy)
        return;
    SharedState& sh = shared();
    sh.PendingFile = droppedFiles.value(0);
    switch (classifyDroppedPath(sh.PendingFile)) {
    case DropKind::ListFile:
        mnuListIn_Click();
        break;
    case DropKind::MediaFile:
        mnuAdd_Click();
        break;
    case DropKind::Unsupported:
        rt::ui().msgBox(QStringLiteral("目前无法直接添加此类型文件到列表，如果确定此文件可以播放，请到“文件”菜单中添加。"),
                        rt::OkOnly | rt::Critical, rt::appTitle());
        break;
    case DropKind::None:
        break;
    }
    sh.PendingFile.clear();
}

// ---- adding --------------------------------------------------------------------

void FrmMain::mnuAdd_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    SharedState& sh = shared();
    QStringList chosen;
    if (!sh.PendingFile.isEmpty()) {
        const QString pending = sh.PendingFile;
        const int answer =
            ask(QStringLiteral("你要添加曲目【") + pending + QStringLiteral("】到播放列表吗?"), rt::YesNo | rt::Question);
        sh.PendingFile.clear();
        if (answer != rt::Yes)
            return;
        chosen << pending;
    } else {
        rt::FileDialogRequest req;
        req.title = QStringLiteral("添加曲目");
        req.filter = kAddFilter;
        req.multiSelect = true;
        const rt::FileDialogResult result = rt::ui().openFile(req);
        if (result.files.isEmpty()) {
            Frame1->setTitle(listCountCaption(List1->count()));
            if (List1->count() > 0)
                Marks.resize(List1->count());
            return;
        }
        chosen = result.files;
    }

    // A list file among the chosen files gives its entries in its place.
    QStringList newEntries;
    QString unreadList;
    ListReadStatus unreadStatus = ListReadStatus::Ok;
    QString refused;
    EntryProblem refusedWhy = EntryProblem::None;
    int refusedCount = 0;
    for (const QString& path : chosen) {
        if (path.isEmpty())
            continue;
        if (isListFileName(path)) {
            ListReadStatus status = ListReadStatus::Ok;
            newEntries += importListFile(path, &status);
            if (status != ListReadStatus::Ok && unreadList.isEmpty()) {
                unreadList = path;
                unreadStatus = status;
            } else if (status != ListReadStatus::Ok) {
                qCWarning(lcCore) << "list not imported (the box names only the first):" << path;
            }
        } else if (const EntryProblem problem = listEntryProblem(path); problem != EntryProblem::None) {
            if (refusedCount++ == 0) {
                refused = path;
                refusedWhy = problem;
            }
        } else {
            newEntries << path;
        }
    }
    PlaylistState s = playlistState();
    AddResult r = addEntries(s, newEntries);
    keepCurrentDuringTrackChange(*this, s, r);
    showPlaylistState(s);
    if (!unreadList.isEmpty())
        tellImportFailed(unreadList, unreadStatus);
    if (refusedCount > 0)
        tellNotAdded(refused, refusedWhy, refusedCount);
    if (r.refused > 0)
        tellListFull(r.refused);
    if (r.loadFirst)
        LoadTrack();
    Frame1->setTitle(listCountCaption(List1->count()));
}

void FrmMain::mnuAdd2_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    const QString address =
        rt::ui()
            .inputBox(QStringLiteral("请输入曲目的地址。\r\n例如：http://radio.example.com:8000/live.mp3"),
                      QStringLiteral("添加曲目"))
            .value_or(QString())
            .trimmed();
    if (address.isEmpty())
        return;
    if (const EntryProblem problem = listEntryProblem(address); problem != EntryProblem::None) {
        tellNotAdded(address, problem, 1);
        return;
    }
    const QString title =
        rt::ui()
            .inputBox(QStringLiteral("如果此曲目不需要歌词，请输入曲目的标题。\r\n例如：城市音乐广播"),
                      QStringLiteral("曲目标题"))
            .value_or(QString())
            .trimmed();

    PlaylistState s = playlistState();
    AddResult r = addEntries(s, {address});
    keepCurrentDuringTrackChange(*this, s, r);
    showPlaylistState(s);
    if (r.refused > 0) {
        tellListFull(r.refused);
        return;
    }
    if (!title.isEmpty()) {
        // A failed mark only means the lyrics are looked for as usual.
        rt::writeFileAtomically(shared().DataDir + QStringLiteral("/LRCS/") + mangledTrackName(address, QStringLiteral(".lrc")),
                                noLyricsStub(title));
        XPButtons[5]->setButtonEnabled(true);
        List2->hide();
        Timer[2]->stop();
        Timer[9]->stop();
        Timer[4]->stop();
        LoadTrackLyrics();
        if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
            Timer[4]->start();
    }
    if (r.loadFirst)
        LoadTrack();
    Frame1->setTitle(listCountCaption(List1->count()));
}

// ---- list files ------------------------------------------------------------------

void FrmMain::mnuListIn_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    SharedState& sh = shared();
    QString file;
    if (isListFileName(sh.PendingFile)) {
        const QString pending = sh.PendingFile;
        const int answer =
            ask(QStringLiteral("你要导入播放列表“") + pending + QStringLiteral("”吗?"), rt::YesNo | rt::Question);
        sh.PendingFile.clear();
        if (answer != rt::Yes)
            return;
        file = pending;
    } else {
        rt::FileDialogRequest req;
        req.title = QStringLiteral("导入播放列表");
        req.filter = QStringLiteral("列表文件(*.mdu;*.m3u)|*.mdu;*.m3u");
        const rt::FileDialogResult result = rt::ui().openFile(req);
        if (result.files.isEmpty()) {
            Frame1->setTitle(listCountCaption(List1->count()));
            if (List1->count() > 0)
                Marks.reset(List1->count());
            return;
        }
        file = result.files.first();
        if (file.isEmpty())
            return;
    }

    // Read before asking to clear: a file that cannot be read changes nothing.
    ListReadStatus status = ListReadStatus::Ok;
    const QStringList imported = importListFile(file, &status);
    if (status != ListReadStatus::Ok) {
        tellImportFailed(file, status);
        return;
    }
    bool clearFirst = false;
    if (List1->count() > 0)
        clearFirst = ask(QStringLiteral("你是否要清空以前的列表?"), rt::YesNo | rt::Question | rt::DefaultButton2) ==
                     rt::Yes;
    PlaylistState s = playlistState();
    AddResult r = applyImport(s, clearFirst, imported);
    keepCurrentDuringTrackChange(*this, s, r);
    showPlaylistState(s);
    if (r.refused > 0)
        tellListFull(r.refused);
    rt::ui().msgBox(QStringLiteral("导入列表成功!"), rt::OkOnly, rt::appTitle());
    if (r.loadFirst)
        LoadTrack();
    Frame1->setTitle(listCountCaption(List1->count()));
}

void FrmMain::mnuListSa_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    rt::FileDialogRequest req;
    req.title = QStringLiteral("请选择导出的列表文件的保存位置");
    req.fileName = defaultExportName(rt::clock().now());
    req.filter = QStringLiteral("列表文件(*.mdu)|*.mdu");
    req.defaultSuffix = QStringLiteral("mdu");
    // Any new name may be chosen; an existing one is confirmed by the dialog.
    req.overwritePrompt = true;
    const rt::FileDialogResult result = rt::ui().saveFile(req);
    if (result.files.isEmpty() || result.files.first().isEmpty())
        return;
    const QString chosen = result.files.first();
    const QString target = exportFileName(chosen);
    // The dialog confirmed `chosen`; a different file of the same name
    // rules is not replaced without asking.
    if (target != chosen && QFileInfo::exists(target) &&
        ask(QStringLiteral("文件“") + target + QStringLiteral("”已存在，要替换它吗?"),
            rt::YesNo | rt::Exclamation | rt::DefaultButton2) != rt::Yes)
        return;
    if (exportPlaylist(chosen, playlistState().entries, Track.CurrentIndex))
        rt::ui().msgBox(QStringLiteral("导出列表成功!"), rt::OkOnly, rt::appTitle());
    else
        rt::ui().msgBox(QStringLiteral("导出列表失败!"), rt::OkOnly | rt::Exclamation, rt::appTitle());
}

// ---- deleting ----------------------------------------------------------------------

void FrmMain::mnuDelete_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    const int row = List1->currentRow();
    bool confirmed = false;
    QString text;
    if (row >= 0 && row < List1->count()) {
        text = List1->item(row)->text();
        confirmed = ask(QStringLiteral("你确定要将曲目“") + text + QStringLiteral("”从播放列表中删除吗?"),
                        rt::YesNo | rt::Exclamation | rt::DefaultButton2) == rt::Yes;
    }
    PlaylistState s = playlistState();
    // Only the entry the question named is deleted.
    if (confirmed && (s.selected != row || s.entries.value(row) != text))
        confirmed = false;
    deleteSelectedEntry(s, confirmed, KeepListFile ? QString() : shared().DataDir);
    showPlaylistState(s);
}

void FrmMain::mnuDeleteAll_Click()
{
    CommandGuard guard(PlaylistCommandBusy);
    if (!guard)
        return;
    bool confirmed = false;
    if (List1->count() > 0)
        confirmed = ask(QStringLiteral("你确定要将播放列表中的所有曲目全删除吗?"),
                        rt::YesNo | rt::Exclamation | rt::DefaultButton2) == rt::Yes;
    PlaylistState s = playlistState();
    deleteAllEntries(s, confirmed, KeepListFile ? QString() : shared().DataDir);
    showPlaylistState(s);
}

// ---- wiring ---------------------------------------------------------------------------

void FrmMain::connectPlaylistHandlers()
{
    onMenuItem(mnuAdd, &FrmMain::mnuAdd_Click);
    onMenuItem(mnuAdd2, &FrmMain::mnuAdd2_Click);
    onMenuItem(mnuListIn, &FrmMain::mnuListIn_Click);
    onMenuItem(mnuListSa, &FrmMain::mnuListSa_Click);
    onMenuItem(mnuDelete, &FrmMain::mnuDelete_Click);
    onMenuItem(mnuDeleteAll, &FrmMain::mnuDeleteAll_Click);
    onMenuItem(PopAddFile, &FrmMain::mnuAdd_Click);
    onMenuItem(PopAddLink, &FrmMain::mnuAdd2_Click);
    onMenuItem(PopDelete, &FrmMain::mnuDelete_Click);
    onMenuItem(PopDeleteAll, &FrmMain::mnuDeleteAll_Click);
    onMenuItem(PopListIn, &FrmMain::mnuListIn_Click);
    onMenuItem(PopListSa, &FrmMain::mnuListSa_Click);

    // Every change of the selection, by the user or by the program.
    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    auto* events = new List1Events(this);
    List1->viewport()->installEventFilter(events);
    List1->viewport()->setMouseTracking(true);
    List1->setAcceptDrops(true);
    List1->viewport()->setAcceptDrops(true);
}

} // namespace melodune

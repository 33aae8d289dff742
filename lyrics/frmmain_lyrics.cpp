// The lyric handlers of the main window: loading the current track's lyrics,
// choosing a local lyric file, reloading, the no-lyrics mark, the lyric
// pop-up menu and the mouse on the lyric surfaces.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/lyricloader.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/atomicfile.h"
#include "platform/ui.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTimer>
#include <functional>
#include <utility>

namespace melodune {

namespace {

void suspendAnimation(FrmMain& w)
{
    w.Timer[4]->stop();
}

void resumeAnimation(FrmMain& w)
{
    if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
        w.Timer[4]->start();
}

bool isPlaying(FrmMain& w)
{
    return w.MediaPlayer1->playState() == rt::MediaControl::Playing;
}

void pauseIfPlaying(FrmMain& w)
{
    if (w.MediaPlayer1->duration() != 0 && isPlaying(w))
        w.MediaPlayer1->pause();
}

// The model keeps the editor text as the file has it; the edit box has one
// character per line break.
QString toEditForm(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

int toEditPosition(const QString& text, int pos)
{
    int breaks = 0;
    for (int i = 0; i + 1 < pos && i + 1 < text.size(); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n')
            ++breaks;
    return pos - breaks;
}

// Binds the edit box to the RichTextBox2 model: the model's text and caret
// are shown, the user's typing goes back into the model, the lines they did
// not touch with their own line ends.
class LyricEditorBinding : public QObject {
public:
    LyricEditorBinding(RichTextModel* model, QWidget* view)
        : QObject(view), model_(model), view_(view), edit_(new QPlainTextEdit(view))
    {
        edit_->setObjectName(QStringLiteral("RichTextBox2Edit"));
        edit_->setFrameShape(QFrame::NoFrame);
        edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit_->setGeometry(view->rect());
        view->installEventFilter(this);
        connect(model_, &RichTextModel::textChanged, this, [this] {
            if (syncing_)
                return;
            syncing_ = true;
            if (model_->text().contains(u'\n') || model_->text().contains(u'\r'))
                lineBreak_ = dominantLineBreak(model_->text());
            edit_->setPlainText(toEditForm(model_->text()));
            syncing_ = false;
        });
        connect(model_, &RichTextModel::selectionChanged, this, [this] {
            if (syncing_)
                return;
            QTextCursor c = edit_->textCursor();
            c.setPosition(std::min(toEditPosition(model_->text(), model_->selStart()),
                                   int(edit_->document()->characterCount()) - 1));
            edit_->setTextCursor(c);
        });
        connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
            if (syncing_)
                return;
            syncing_ = true;
            // The raw text keeps what toPlainText would change (no-break
            // spaces); its blocks are apart by paragraph separators, and
            // Shift+Return puts a line separator inside one: both end a line.
            QString text = edit_->document()->toRawText();
            text.replace(QChar::ParagraphSeparator, u'\n');
            text.replace(QChar::LineSeparator, u'\n');
            model_->setText(mergeEditedLines(model_->text(), text, lineBreak_));
            syncing_ = false;
        });
    }
    QPlainTextEdit* edit() const { return edit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == view_ && event->type() == QEvent::Resize)
            edit_->setGeometry(view_->rect());
        return QObject::eventFilter(watched, event);
    }

private:
    RichTextModel* model_;
    QWidget* view_;
    QPlainTextEdit* edit_;
    bool syncing_ = false;
    QString lineBreak_ = QStringLiteral("\r\n"); // for the lines the user types
};

// The mouse on the picture surfaces of the lyrics: the left button starts or
// pauses the lyric movement, the right button opens the lyric pop-up.
class LyricSurfaceFilter : public QObject {
public:
    LyricSurfaceFilter(FrmMain* w, std::function<void(Qt::MouseButton, bool)> handler)
        : QObject(w), handler_(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
            handler_(static_cast<QMouseEvent*>(event)->button(), event->type() == QEvent::MouseButtonPress);
            return true; // the surfaces lie in one another: handle it once
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(Qt::MouseButton, bool)> handler_;
};

} // namespace

bool FrmMain::lyricEditorOpen() const
{
    return XPButtons[5]->buttonToolTip() == QStringLiteral("退出修改");
}

void FrmMain::showLyricEditorState(bool open)
{
    XPButtons[5]->setCaption(open ? QStringLiteral("退出修改") : QStringLiteral("修改歌词"));
    XPButtons[5]->setButtonToolTip(open ? QStringLiteral("退出修改") : QStringLiteral("编辑修改歌词"));
    RichTextBox2->setVisible(open);
    mnuEditLRC->setText(open ? QStringLiteral("退出修改当前曲目歌词(&W)") : QStringLiteral("编辑修改当前曲目歌词(&W)"));
    PopEditLRC->setText(open ? QStringLiteral("退出修改当前曲目歌词") : QStringLiteral("编辑修改当前曲目歌词"));
}

// The parsed lines of a lyric file in the box, as the track's lyrics.
void FrmMain::showLyricFile(const QString& path, const LrcParseResult& parsed)
{
    LrcView.LyricsLoaded = true;
    LrcView.LrcPath = path;
    XPButtons[5]->setButtonEnabled(true);
    closeLyricEditor();
    applyLrcResult(parsed, *RichTextBox1, Lyrics);
}

namespace {

// The end of every lyric load, once its file is parsed (or there is none):
// the lyric colours over whatever the box holds, then the lyric tick and the
// lyrics window, or the notice or request for a track without lyrics.
void showLoadedLyrics(FrmMain& w, const QString& path, bool tooLarge)
{
    const std::uint64_t serial = w.LyricLoadSerial;
    styleLyricBox(*w.RichTextBox1, lyricBoxStyle(settings()));
    w.RichTextBox1->setEnabled(true);
    w.RichTextBox1->setSelStart(0);

    if (w.LrcView.LyricsLoaded) {
        if (isPlaying(w))
            w.Timer[1]->start();
        if (w.lyricsWindowShown() && settings().LrcViewMode > 99)
            if (RichTextModel* box = w.lyricsWindowBox())
                mirrorLyricBox(*w.RichTextBox1, *box, settings().LrcTagColor, settings().LrcTextColor);
        return;
    }

    if (w.lyricsWindowShown()) {
        FrmMain::SetAlwaysOnTopMode(&w, true);
        FrmMain::SetAlwaysOnTopMode(&w, false);
        w.HideMainPending = true;
    }
    QCoreApplication::processEvents();
    if (serial != w.LyricLoadSerial)
        return; // another load ran meanwhile and has the last word
    if (tooLarge) {
        // The track has a lyric file, only no lyrics in it: no download
        // would replace the notice before it is read.
        showLyricNotice(*w.RichTextBox1, lyricTooLargeNotice(path));
        return;
    }
    if (settings().AutoDownloadLrc)
        w.requestLyricsFromService();
    else
        showLyricNotice(*w.RichTextBox1, lyricNotFoundNotice(w.Track.CurrentFile));
}

} // namespace

void FrmMain::LoadTrackLyrics()
{
    // Unsaved edits are asked about before anything is replaced.
    closeLyricEditor();
    const std::uint64_t serial = ++LyricLoadSerial;

    // Reset.
    LrcView.LrcPath.clear();
    XPButtons[5]->setButtonEnabled(false);
    RichTextBox1->setVisible(true);
    LrcView.LrcPrevLine.clear();
    LrcView.LrcCurLine.clear();
    LrcView.LrcNextLine.clear();
    LrcView.LrcMarqueeX = 10;
    LrcView.LrcMarqueeStep = 1;
    showLyricEditorState(false);
    List2->hide();
    List2->setToolTip(QString());
    Timer[2]->stop();
    Timer[9]->stop();
    resetLyricsService();
    if (!Rec.Recording && !Rec.PlayingRecording) {
        mnuStartRec->setEnabled(true);
        mnuPlayRec->setEnabled(false);
        mnuStopRecPlay->setEnabled(false);
        mnuStopRecPlay->setText(QStringLiteral("停止录音或播放(&S)"));
        XPButtons[8]->setCaption(QStringLiteral(" 停 止 "));
        XPButtons[8]->setButtonToolTip(QStringLiteral(" 停 止 "));
        Rec.RecordFile.clear();
        imgR->setPixmap(imgS[0]);
        Line1->hide();
    }
    LrcView.LyricsLoaded = false;
    Timer[1]->stop();
    Label1->setText(QStringLiteral("0"));
    Label2->setText(QStringLiteral("0"));
    showLyricNotice(*RichTextBox1, lyricSearchingNotice(Track.CurrentFile));

    // Lookup, adopting the file beside the song.
    QString path;
    if (findTrackLyricFile(shared().DataDir, Track.CurrentFile, Track.CurrentExt, &path) == LyricLookup::Missing) {
        showLoadedLyrics(*this, path, false);
        return;
    }
    RichTextBox1->setEnabled(false);
    // A long file is read aside: the rest follows once it is parsed.
    readAndParseLyricFile(path, this, [this, serial, path](std::optional<LrcParseResult> parsed, rt::FileReadError error) {
        if (serial != LyricLoadSerial)
            return; // a newer load has taken over and has the last word
        if (parsed)
            showLyricFile(path, *parsed);
        showLoadedLyrics(*this, path, error == rt::FileReadError::TooLarge);
    });
}

void FrmMain::mnuOpenLRC_Click()
{
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    if (Track.CurrentFile.isEmpty())
        return;
    suspendAnimation(*this);
    pauseIfPlaying(*this);

    rt::FileDialogRequest req;
    req.title = QStringLiteral("查找/替换歌词");
    req.filter = QStringLiteral("歌词文件(*.lrc)|*.lrc");
    const rt::FileDialogResult chosen = rt::ui().openFile(req);
    const QString file = chosen.files.isEmpty() ? QString() : chosen.files.first();

    if (file.isEmpty()) {
        resumeAnimation(*this);
        if (MediaPlayer1->playState() == rt::MediaControl::Paused)
            MediaPlayer1->play();
        return;
    }
    const std::uint64_t serial = LyricLoadSerial;
    const QString track = Track.CurrentFile;
    // A long file is read aside: the rest follows once it is parsed.
    readAndParseLyricFile(file, this, [this, file, serial, track](std::optional<LrcParseResult> parsed,
                                                                  rt::FileReadError error) {
        if (serial != LyricLoadSerial || track != Track.CurrentFile) {
            // A track change came meanwhile: its lyrics stand.
            resumeAnimation(*this);
            return;
        }
        // A long file's lyrics come after the command has returned: it
        // counts as running again until they are shown.
        const bool commandWasRunning = std::exchange(lyricCommandRunning_, true);
        const auto running = qScopeGuard([this, commandWasRunning] { lyricCommandRunning_ = commandWasRunning; });
        if (!parsed) {
            rt::ui().msgBox(error == rt::FileReadError::TooLarge
                                ? lyricTooLargeNotice(file)
                                : QStringLiteral("无法读取歌词文件“") + file + QStringLiteral("”。"),
                            rt::Exclamation);
        } else {
            closeLyricEditor();
            RichTextBox1->setEnabled(false);
            List2->hide();
            List2->setToolTip(QString());
            LrcView.LyricsLoaded = true;
            Timer[2]->stop();
            Timer[9]->stop();
            resetLyricsService(); // a late download must not replace the user's choice
            showLyricFile(file, *parsed);
            styleLyricBox(*RichTextBox1, lyricBoxStyle(settings()));
            RichTextBox1->setEnabled(true);
            RichTextBox1->setSelStart(0);

            // Keep it as the track's own lyric file.
            const QString target = lyricFilePath(shared().DataDir, Track.CurrentFile);
            const QString chosenFile = file;
            QCoreApplication::processEvents();
            const auto keep = [&] {
                QString error;
                QDir().mkpath(QFileInfo(target).absolutePath());
                if (!rt::copyFileAtomically(chosenFile, target, &error)) {
                    rt::ui().msgBox(QStringLiteral("歌词文件无法保存到“") + target + QStringLiteral("”：") + error,
                                    rt::Exclamation);
                    return;
                }
                LrcView.LrcPath = target;
                XPButtons[5]->setButtonEnabled(true);
                closeLyricEditor();
            };
            const bool same = QFileInfo(chosenFile).canonicalFilePath() == QFileInfo(target).canonicalFilePath();
            if (QFileInfo(target).isFile() && !same) {
                pauseIfPlaying(*this);
                const int answer = rt::ui().msgBox(QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?"),
                                                   rt::YesNo | rt::Exclamation);
                if (answer == rt::Yes) {
                    keep();
                } else {
                    suspendAnimation(*this);
                    LoadTrackLyrics();
                    resumeAnimation(*this);
                }
                if (MediaPlayer1->playState() == rt::MediaControl::Paused)
                    MediaPlayer1->play();
            } else {
                keep();
            }
            if (isPlaying(*this))
                Timer[1]->start();
        }

        resumeAnimation(*this);
        if (MediaPlayer1->playState() == rt::MediaControl::Paused)
            MediaPlayer1->play();
    });
}

void FrmMain::mnuReOpenLRC_Click()
{
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    if (Track.CurrentFile.isEmpty())
        return;
    if (rt::ui().msgBox(QStringLiteral("你确定要重新装载歌词吗?"), rt::YesNo | rt::Question | rt::DefaultButton2) !=
        rt::Yes)
        return;
    suspendAnimation(*this);
    LoadTrackLyrics();
    resumeAnimation(*this);
}

namespace {

// Writes the no-lyrics mark for a track after asking; false when the user
// declined. A write that fails is reported.
// `confirmed` runs once the user has said Yes, before anything is written.
bool writeNoLyricsMark(const QString& file, const QString& defaultNote, const std::function<void()>& confirmed = {})
{
    const QString target = lyricFilePath(shared().DataDir, file);
    if (rt::ui().msgBox(QStringLiteral("你确定要设置曲目“") + file + QStringLiteral("”暂时不使用歌词吗?"),
                        rt::YesNo | rt::Exclamation | rt::DefaultButton2) != rt::Yes)
        return false;
    if (confirmed)
        confirmed();
    const std::optional<QString> answer = rt::ui().inputBox(
        QStringLiteral("可以在下面文本框中输入曲目【") + file + QStringLiteral("】的标题或其他说明。\r\n"),
        QStringLiteral("歌词设置"), defaultNote);
    const QString note = answer && !answer->isEmpty() ? *answer : defaultNoLyricsNote();
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString error;
    if (!rt::writeFileAtomically(target, noLyricsStub(note), &error))
        rt::ui().msgBox(QStringLiteral("无法写入歌词文件“") + target + QStringLiteral("”：") + error, rt::Exclamation);
    return true;
}

} // namespace

void FrmMain::mnuNotLRC_Click()
{
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    // The editor's edits are asked about before the mark replaces its file.
    const QString note = noLyricsDefaultNote(Track.CurrentTitle, Track.CurrentFile);
    if (!writeNoLyricsMark(Track.CurrentFile, note, [this] { closeLyricEditor(); }))
        return;
    XPButtons[5]->setButtonEnabled(true);
    List2->hide();
    Timer[2]->stop();
    Timer[9]->stop();
    suspendAnimation(*this);
    LoadTrackLyrics();
    resumeAnimation(*this);
}

void FrmMain::PopNotLRC4_Click()
{
    if (lyricCommandRunning_)
        return;
    QListWidgetItem* item = List1->currentItem();
    if (!item || !item->isSelected()) {
        rt::ui().msgBox(QStringLiteral("请首先选中列表中的曲目！"), rt::OkOnly);
        return;
    }
    const QString entry = item->text();
    if (entry == Track.CurrentFile) {
        mnuNotLRC_Click();
        return;
    }
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    writeNoLyricsMark(entry, entry);
}

void FrmMain::connectLyricsHandlers()
{
    onMenuItem(mnuOffsetA, &FrmMain::mnuOffsetA_Click);
    onMenuItem(mnuOffsetD, &FrmMain::mnuOffsetD_Click);
    onMenuItem(mnuEditLRC, &FrmMain::mnuEditLRC_Click);
    onMenuItem(PopEditLRC, &FrmMain::mnuEditLRC_Click);
    onMenuItem(mnuDelLRC, &FrmMain::mnuDelLRC_Click);
    onMenuItem(PopDelLRC, &FrmMain::mnuDelLRC_Click);
    onMenuItem(mnuOpenLRC, &FrmMain::mnuOpenLRC_Click);
    onMenuItem(PopOpenLRC, &FrmMain::mnuOpenLRC_Click);
    onMenuItem(mnuReOpenLRC, &FrmMain::mnuReOpenLRC_Click);
    onMenuItem(PopReOpenLRC, &FrmMain::mnuReOpenLRC_Click);
    onMenuItem(mnuNotLRC, &FrmMain::mnuNotLRC_Click);
    onMenuItem(PopNotLRC, &FrmMain::mnuNotLRC_Click);
    onMenuItem(PopNotLRC4, &FrmMain::PopNotLRC4_Click);
    connect(mnuEdit, &QMenu::aboutToShow, this, &FrmMain::mnuEdit_Click);

    connect(XPButtons[3], &XPButton::Click, this, &FrmMain::XPButton3_Click);
    connect(XPButtons[4], &XPButton::Click, this, &FrmMain::XPButton4_Click);
    connect(XPButtons[5], &XPButton::Click, this, &FrmMain::XPButton5_Click);

    // The editor: an edit box over RichTextBox2's view, bound to its model.
    RichTextBox2Edit = (new LyricEditorBinding(RichTextBox2, RichTextBox2View))->edit();

    // The mouse on the lyric surfaces.
    const auto mouse = [this](Qt::MouseButton button, bool pressed) {
        if (pressed && button == Qt::LeftButton) {
            mnuLrcSt_Click();
        } else if (!pressed && button == Qt::RightButton) {
            PopDelLRC->setEnabled(LrcView.LyricsLoaded);
            PopEditLRC->setEnabled(XPButtons[5]->buttonEnabled());
            Popmnu1->popup(QCursor::pos());
        }
    };
    auto* surfaces = new LyricSurfaceFilter(this, mouse);
    Image6->installEventFilter(surfaces);
    Picture1->installEventFilter(surfaces);
    for (QLabel* p : Picture6)
        p->installEventFilter(surfaces);
    Picture7->installEventFilter(surfaces);
    connect(RichTextBox1View, &RichTextView::mousePressed, this,
            [mouse](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) { mouse(b, true); });
    connect(RichTextBox1View, &RichTextView::mouseReleased, this,
            [mouse](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) { mouse(b, false); });
    // The lyric box never keeps the keyboard focus.
    connect(RichTextBox1View, &RichTextView::focusReceived, this, [this] {
        FocusedControl = QStringLiteral("RichTextBox1");
        PicShape->setFocus();
    });
}

} // namespace melodune

// The lyric offset commands, the lyric editor and the deletion of a track's
// lyric file.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/lyricloader.h"
#include "lyrics/richtext.h"
#include "platform/atomicfile.h"
#include "platform/legacytext.h"
#include "platform/ui.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QScopeGuard>
#include <QTimer>

namespace melodune {

namespace {

void pauseIfPlaying(FrmMain& w)
{
    if (w.MediaPlayer1->duration() != 0 && w.MediaPlayer1->playState() == rt::MediaControl::Playing)
        w.MediaPlayer1->pause();
}

// Keeps the "[offset:" line of the edited text equal to the offset.
void alignEditorOffset(FrmMain& w)
{
    const QString& text = w.RichTextBox2->text();
    if (const std::optional<OffsetRewrite> r = rewriteOffsetTag(text, w.Lyrics.offset, dominantLineBreak(text))) {
        w.RichTextBox2->setText(r->text);
        w.RichTextBox2->setSelStart(r->caret);
    }
}

void focusEditor(FrmMain& w)
{
    if (w.RichTextBox2Edit)
        w.RichTextBox2Edit->setFocus();
}

} // namespace

void FrmMain::mnuOffsetA_Click()
{
    Lyrics.offset = offsetStepUp(Lyrics.offset);
    Label2->setText(QString::number(Lyrics.offset));
    if (lyricEditorOpen() && RichTextBox2->isVisible()) {
        alignEditorOffset(*this);
        focusEditor(*this);
    }
}

void FrmMain::mnuOffsetD_Click()
{
    Lyrics.offset = offsetStepDown(Lyrics.offset);
    Label2->setText(QString::number(Lyrics.offset));
    if (lyricEditorOpen() && RichTextBox2->isVisible()) {
        alignEditorOffset(*this);
        focusEditor(*this);
    }
}

void FrmMain::XPButton4_Click()
{
    mnuOffsetA_Click();
    if (!RichTextBox2->isVisible())
        PicShape->setFocus();
}

void FrmMain::XPButton3_Click()
{
    mnuOffsetD_Click();
    if (!RichTextBox2->isVisible())
        PicShape->setFocus();
}

void FrmMain::mnuEditLRC_Click()
{
    XPButton5_Click();
}

void FrmMain::mnuEdit_Click()
{
    mnuDelLRC->setEnabled(LrcView.LyricsLoaded);
    mnuEditLRC->setEnabled(XPButtons[5]->buttonEnabled());
}

void FrmMain::XPButton5_Click()
{
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    if (LrcView.LrcPath.isEmpty() || !LrcView.LyricsLoaded) {
        rt::ui().msgBox(QStringLiteral("错误！未发现歌词。"), rt::OkOnly);
        return;
    }
    pauseIfPlaying(*this);

    if (!lyricEditorOpen()) {
        QString text;
        if (!rt::readLegacyFile(LrcView.LrcPath, &text)) {
            rt::ui().msgBox(QStringLiteral("无法读取歌词文件“") + LrcView.LrcPath + QStringLiteral("”。"), rt::Exclamation);
            return;
        }
        // The file this text came from, kept for the save: a track change
        // may come before the editor closes.
        LyricEditorFile = lyricFilePath(shared().DataDir, Track.CurrentFile);
        LyricEditorOriginal = text;
        RichTextBox2->setText(text);
        alignEditorOffset(*this);
        showLyricEditorState(true);
        focusEditor(*this);
        return;
    }

    if (!closeLyricEditor(EditorClose::AlwaysAsk))
        return; // the save failed: the edits stay in the open editor
    Timer[4]->stop();
    LoadTrackLyrics();
    if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
        Timer[4]->start();
    QCoreApplication::processEvents();
    MediaPlayer1->play();
}

bool FrmMain::closeLyricEditor(EditorClose how)
{
    if (!lyricEditorOpen())
        return true;
    if (lyricEditorClosing_)
        return true; // the close under way asks and saves
    const QString target =
        LyricEditorFile.isEmpty() ? lyricFilePath(shared().DataDir, Track.CurrentFile) : LyricEditorFile;
    const QString text = RichTextBox2->text();
    const bool changed = text != LyricEditorOriginal;
    if (how == EditorClose::Discard || (how == EditorClose::AskIfChanged && !changed)) {
        showLyricEditorState(false);
        return true;
    }

    // Asked with the edited text still shown. A load that runs while the
    // question waits leaves the edits to this close. No other lyric command
    // starts meanwhile.
    lyricEditorClosing_ = true;
    const bool commandWasRunning = lyricCommandRunning_;
    lyricCommandRunning_ = true;
    const auto restore = qScopeGuard([&] {
        lyricEditorClosing_ = false;
        lyricCommandRunning_ = commandWasRunning;
    });
    const bool save = rt::ui().msgBox(QStringLiteral("是否保存修改?"), rt::YesNo | rt::Question) == rt::Yes;
    showLyricEditorState(false);
    if (!save)
        return true;
    // A file that holds the text already is left as it is, bytes and all.
    QString onDisk;
    if (rt::readLegacyFile(target, &onDisk, kMaxLyricBytes) && onDisk == text)
        return true;
    QString error;
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (rt::writeFileAtomically(target, rt::encodeLegacyLossless(text), &error))
        return true;

    // The old file is untouched. The editor's own close keeps the edits open
    // while its track is still the current one.
    if (how == EditorClose::AlwaysAsk && target == lyricFilePath(shared().DataDir, Track.CurrentFile)) {
        RichTextBox2->setText(text);
        showLyricEditorState(true);
        rt::ui().msgBox(QStringLiteral("歌词文件保存失败，修改仍保留在编辑框中。\r\n") + error, rt::Exclamation);
        return false;
    }
    rt::ui().msgBox(QStringLiteral("歌词文件“") + target + QStringLiteral("”保存失败，修改未能保存。\r\n") + error,
                    rt::Exclamation);
    return true;
}

void FrmMain::mnuDelLRC_Click()
{
    if (lyricCommandRunning_)
        return;
    lyricCommandRunning_ = true;
    const auto running = qScopeGuard([this] { lyricCommandRunning_ = false; });
    const QString target = lyricFilePath(shared().DataDir, Track.CurrentFile);
    if (rt::ui().msgBox(QStringLiteral("你确定要删除曲目“") + Track.CurrentFile + QStringLiteral("”所对应的歌词文件吗?"),
                        rt::YesNo | rt::Exclamation | rt::DefaultButton2) != rt::Yes)
        return;
    QFile file(target);
    if (file.exists() && !file.remove()) {
        rt::ui().msgBox(QStringLiteral("歌词文件“") + target + QStringLiteral("”无法删除：") + file.errorString(),
                        rt::Exclamation);
        return;
    }
    // The editor's text is the deleted file's: nothing is left to save it into.
    closeLyricEditor(EditorClose::Discard);
    showLyricNotice(*RichTextBox1, lyricDeletedNotice(target));

    const QString sideCar = sideCarLyricPath(Track.CurrentFile, Track.CurrentExt);
    if (!sideCar.isEmpty() && QFileInfo(sideCar).isFile()) {
        if (rt::ui().msgBox(QStringLiteral("在曲目文件夹中存在同名LRC文件，此操作将同时删除它，你确定要删除吗?"),
                            rt::YesNo | rt::Exclamation | rt::DefaultButton2) != rt::Yes)
            return;
        QFile side(sideCar);
        if (!side.remove())
            rt::ui().msgBox(QStringLiteral("同名LRC文件“") + sideCar + QStringLiteral("”无法删除：") + side.errorString(),
                            rt::Exclamation);
    }

    mnuDelLRC->setEnabled(false);
    LrcView.LyricsLoaded = false;
    XPButtons[5]->setButtonEnabled(false);
    LrcView.LrcPath.clear();
    List2->hide();
    Timer[2]->stop();
    Timer[9]->stop();
    resetLyricsService();
    RichTextBox1->setEnabled(true);
}

} // namespace melodune

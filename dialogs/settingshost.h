#pragma once
// What the settings dialog reads and sets of the main window, and nothing
// more: the song picture area, the skin, the lyric background, the
// visualisation panel and the lyric view. The main window implements it; a
// test may give the dialog a stand-in.
#include <functional>

class QObject;
class QPixmap;
class QRect;
class QWidget;

namespace melodune {

class SettingsHost {
public:
    // The window the dialog belongs to (its owner, and the owner of the
    // boxes asked once the dialog has gone).
    virtual QWidget& mainWindow() = 0;

    // ---- the song picture area ----------------------------------------
    // The picture shown in the area (Image2).
    virtual QPixmap songPicture() const = 0;
    // The shown picture stretched over `twips`, a rectangle of the area.
    virtual void placeSongPicture(const QRect& twips) = 0;
    // The default picture (Image1), shown for a track without its own.
    virtual void setDefaultPicture(const QPixmap& picture) = 0;
    // The default picture stretched over the whole area at once; the picture
    // timer (Timer6) redraws the area for the current track a second later.
    virtual void showDefaultPicture() = 0;
    // `done` runs in `receiver`'s thread each time the picture timer has
    // redrawn the area, for as long as `receiver` lives.
    virtual void whenSongPictureRedrawn(QObject* receiver, std::function<void()> done) = 0;

    // ---- the skin --------------------------------------------------------
    // The built-in skin and shape (the skin menu's "default" command).
    virtual void mnuSkinsDe_Click() = 0;
    // The user chooses a skin of their own (the skin menu's "replace" command).
    virtual void mnuSkinsRe_Click() = 0;

    // ---- the lyric background and views ----------------------------------
    // The lyric background picture (Image6), and a new one, which a shown
    // lyrics window takes too.
    virtual QPixmap lyricBackground() const = 0;
    virtual void setLyricBackground(const QPixmap& picture) = 0;
    // The visualisation panel on or off, with the captions of its switches.
    virtual void showVisualisation(bool on) = 0;
    // The animation tick (Timer4) runs; it stops itself when nothing is left
    // to animate.
    virtual void startAnimationTick() = 0;
    // The View menu's command for lyric view 2 (strips over a picture).
    virtual void mnuLrcVS2_Click() = 0;
    virtual bool lyricsWindowShown() const = 0;
    virtual void closeLyricsWindow() = 0;
    // The lyric candidates' list is in view (it keeps the text box shown).
    virtual bool lyricCandidatesShown() const = 0;
    // The lyric text box (RichTextBox1).
    virtual void setLyricTextBoxVisible(bool visible) = 0;
    // The controls of the picture views: the strips, their band and the
    // lyric background.
    virtual void setPictureViewVisible(bool visible) = 0;
    // The view now shown draws the line sung now at once.
    virtual void showSungLineNow() = 0;

protected:
    ~SettingsHost() = default;
};

} // namespace melodune

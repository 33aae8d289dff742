#pragma once
// What the full-screen lyrics window reads and sets of the main window: the
// lyric text box it copies, the lyric offset and highlight, the media
// control, the song and background pictures, and the window itself, which
// it hides while it shows. The main window implements it; a test may give
// the lyrics window a stand-in.
class QPixmap;
class QWidget;

namespace rt {
class MediaControl;
}

namespace melodune {

class RichTextModel;
struct LyricState;

class LyricsWindowHost {
public:
    // The main window: hidden while the lyrics window shows, shown again when
    // it closes; its screen is the one to cover before the first showing.
    virtual QWidget& mainWindow() = 0;
    // The main window's lyric text box (RichTextBox1), copied at the opening.
    virtual const RichTextModel& lyricBox() const = 0;
    // The offset (changed from the keypad) and the highlighted line.
    virtual LyricState& lyricState() = 0;
    // The media control: whether a video shows, and its full screen.
    virtual rt::MediaControl& media() = 0;
    // The song picture shown (Image2) and the lyric background (Image6).
    virtual QPixmap songPicture() const = 0;
    virtual QPixmap lyricBackground() const = 0;
    // A new lyric background for the main window (and a shown lyrics window).
    virtual void setLyricBackground(const QPixmap& picture) = 0;
    // After a switch of sub-mode or of window: the view now shown draws the
    // line sung now at once.
    virtual void showSungLineNow() = 0;

protected:
    ~LyricsWindowHost() = default;
};

} // namespace melodune

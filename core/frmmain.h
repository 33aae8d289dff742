#pragma once
// The main window: the program's start-up object. It owns the playlist box,
// the media control, the lyric text box, the pictures, the capture objects
// and the timers, and keeps the state of the current track.
//
// Its code is split by concern:
//   frmmain_design.cpp   controls, menus and timers as designed
//   frmmain_startup.cpp  start sequence, shut-down and the in-process reload
//   frmmain_*.cpp        the handlers of each subsystem
#include "core/appenv.h"
#include "core/playlistedit.h"
#include "lyrics/lyricstate.h"
#include "platform/dsound.h"
#include "platform/mediacontrol.h"
#include "sound/captureformat.h"
#include "sound/waveinrecorder.h"
#include "visual/skin.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QTimer;
class QFrame;

namespace melodune {

class RichTextModel;
class RichTextView;
class XPButton;

// What the window is made with; tests replace the media control.
struct FrmMainServices {
    // Creates the media control; default: libmpv.
    std::function<rt::MediaControl*(QObject* parent)> createMedia;
    // The process command line as the runtime gives it (arguments joined by
    // blanks).
    QString commandLine;
    // Program version shown in the caption.
    int versionMajor = 1;
    int versionMinor = 0;
    int versionRevision = 0;
};

class FrmMain : public QWidget {
    Q_OBJECT
public:
    explicit FrmMain(FrmMainServices services = {}, QWidget* parent = nullptr);
    ~FrmMain() override;

    // ---- start-up and shut-down ---------------------------------------
    // The second-instance rule, once per process. False: the process ends
    // (after the message for "/a ").
    static bool Form_Initialize(bool anotherInstanceRuns, const QString& commandLine);
    // The start sequence; runs at start and again at every in-process reload.
    // False when the program must end (no capture device, no capture format).
    bool Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    // Runs both shut-down handlers; ends the program unless `Reloading`.
    void unloadForm();
    // Unload, then load and show the window again, with the command line
    // suppressed once. Runs from the event loop, never inside a handler that
    // goes on using the window afterwards.
    void reloadWindow();

    void Image3_Click(); // minimise
    void Image4_Click(); // close, after a question
    void mnuExit_Click();
    static void SetAlwaysOnTopMode(QWidget* window, bool onTop);
    void FillDeviceCombo();

    // ---- track and transport (shared by several Parts) ----------------
    // The sequence every track change performs; false after it took the
    // restart path.
    bool LoadTrack();
    void Timer3_Timer();
    void mnuAdd_Click();
    void ReloadAfterError();
    // The add command's hook: adding entries to the list (playlist code).
    void List1_Click();

    // ---- playlist handlers (frmmain_playlist.cpp) ----------------------
    // ---- transport and media events (frmmain_transport.cpp, frmmain_events.cpp)
    // ---- lyric handlers (lyrics/frmmain_lyrics*.cpp) --------------------
    // Finds, loads and shows the current track's lyrics.
    void LoadTrackLyrics();
    // The 50 ms lyric tick.
    void Timer1_Timer();
    // ---- recording handlers (sound/frmmain_recording.cpp) --------------
    // Stops a running recording or the play-back of a recording.
    void mnuStopRecPlay_Click();
    void XPButton8_Click();

    // ---- controls (names as designed) ---------------------------------
    QLabel* PicShape = nullptr;
    QPixmap ImgShape[2];
    QLabel* Image5 = nullptr;  // menu picture
    QLabel* Image3 = nullptr;  // minimise
    QLabel* Image4 = nullptr;  // close
    QLabel* Label4 = nullptr;  // title
    QLabel* Label5 = nullptr;  // hint line
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

    rt::MediaControl* MediaPlayer1 = nullptr;
    QWidget* Picture2 = nullptr;    // cover picture area
    QLabel* Image1 = nullptr;       // default cover (hidden holder)
    QLabel* Image2 = nullptr;       // shown cover
    QWidget* Picture5 = nullptr;    // visualisation panel
    QWidget* Picture3 = nullptr;    // sliding panel strip
    std::array<QWidget*, 4> Picture4{};
    QFrame* Line1 = nullptr;        // recording progress line

    QWidget* Picture1 = nullptr;    // lyric area
    QLabel* Image6 = nullptr;       // lyric background
    std::array<QLabel*, 3> Picture6{}; // lyric strips
    QLabel* Picture7 = nullptr;
    RichTextModel* RichTextBox1 = nullptr;
    RichTextView* RichTextBox1View = nullptr;
    RichTextModel* RichTextBox2 = nullptr;
    RichTextView* RichTextBox2View = nullptr;

    QGroupBox* Frame1 = nullptr;
    QListWidget* List1 = nullptr;
    QListWidget* List2 = nullptr;   // lyric candidates

    QWidget* frmInp = nullptr;      // recording panel
    QComboBox* cboDev = nullptr;
    QLabel* imgR = nullptr;
    QCheckBox* Check2 = nullptr;    // vocal removal
    QCheckBox* Check3 = nullptr;    // key shift
    QScrollBar* HScroll1 = nullptr; // balance

    std::array<melodune::XPButton*, 26> XPButtons{}; // XPButton1..XPButton25 by number
    // Timers 1..10 of the window, all stored switched off.
    std::array<QTimer*, 11> Timer{};

    // Menus and pop-up menus by name ("mnuAdd", "PopPlaySelct", "Popmnu0"...).
    QAction* mnu(const QString& name) const;
    QMenu* menu(const QString& name) const;

    // ---- fields of the window -----------------------------------------
    std::int32_t CurrentIndex = -1;
    QString CurrentFile;
    QString CurrentExt;
    QString CurrentTitle;
    QString DevocalFile;
    QString ShiftFile;
    QString LrcPath;
    bool Reloading = false;
    QString LrcCurTime = QStringLiteral("0");
    QString LrcNextTime = QStringLiteral("0");
    bool Recording = false;
    bool PlayingRecording = false;
    bool VocalRemovalOn = false;
    bool KeyShiftOn = false;
    QString RecordFile;
    PlayedMarks Marks;  // PlayedMarks and LastPlayedPos
    LyricState Lyrics;
    // ---- fields of the playlist handlers ----
    // ---- fields of the transport and media events ----
    // ---- fields of the lyric handlers ----
    // ---- fields of the recording handlers ----

    // Sound objects, made by the start and released by the shut-down.
    std::unique_ptr<WaveInRecorder> clsRecorder;
    std::unique_ptr<rt::DSCapture> DSCapture;
    std::unique_ptr<rt::DSound> DSound;
    std::unique_ptr<rt::DSCaptureBuffer> DSCaptureBuffer;
    std::unique_ptr<rt::DSBuffer> DSBuffer;
    CaptureSizing Capture; // CaptureDesc, RecordSeconds, Samples
    SkinControls Skin;

signals:
    // The program ends (the window was unloaded without a reload).
    void programEnded();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Each concern connects its own menus, buttons and events.
    void connectHandlers();
    void connectStartupHandlers();
    void connectPlaylistHandlers();
    void connectTransportHandlers();
    void connectLyricsHandlers();
    void connectRecordingHandlers();
    // Mouse events of the passive controls, by the control's name; true
    // when handled.
    bool controlMouseEvent(const QString& control, QMouseEvent* e);
    void buildDesign();
    void buildMenus();
    void buildTimers();
    void resetDesignState();
    void layoutStartControls();
    void addMenuItem(const QString& parent, const QString& name, const QString& caption);
    void addSeparator(const QString& parent);
    QMenu* addSubMenu(const QString& parent, const QString& name, const QString& caption);
    void showPopup(const QString& name);

    FrmMainServices services_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    bool loaded_ = false;
    bool reloadQueued_ = false;
    bool unloading_ = false;
};

} // namespace melodune

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
#include "dialogs/settingshost.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricswindowhost.h"
#include "lyrics/lyrictick.h"
#include "platform/dsound.h"
#include "platform/effect.h"
#include "platform/mediacontrol.h"
#include "platform/mp3enc.h"
#include "platform/mp3play.h"
#include "platform/soundfiles.h"
#include "platform/soundworker.h"
#include "sound/captureformat.h"
#include "sound/waveinrecorder.h"
#include "visual/clsvisual.h"
#include "visual/inlineeffects.h"
#include "visual/levelmeter.h"
#include "visual/meterstrip.h"
#include "visual/skin.h"
#include "visual/visualpanel.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QSlider;
class QTimer;
class QFrame;

namespace melodune {

class FrmLrc;
class RichTextModel;
struct LrcParseResult;
class RichTextView;
class XPButton;

// What the window is made with; tests replace the media control.
struct FrmMainServices {
    // Creates the media control; default: libmpv.
    std::function<rt::MediaControl*(QObject* parent)> createMedia;
    // The sound controls (decoder, encoder, effect); default: the real ones.
    std::function<rt::Mp3Decoder*(QObject* parent)> createMp3Play;
    std::function<rt::Mp3Encoder*(QObject* parent)> createMp3Enc;
    std::function<rt::EffectControl*(QObject* parent)> createEffect;
    // The program's arguments joined by blanks, as one command line.
    QString commandLine;
    // Program version shown in the caption.
    int versionMajor = 1;
    int versionMinor = 0;
    int versionRevision = 0;
};

// The current track, set by LoadTrack and read by every subsystem.
struct TrackState {
    std::int32_t CurrentIndex = -1; // playlist index, -1 for none
    QString CurrentFile;            // full path or stream address
    QString CurrentExt;             // lower case, "未知" when there is none
    QString CurrentTitle;           // the media's title
};

// A take of the user's singing and its play-back (sound/frmmain_recording.cpp).
struct RecordingState {
    bool Recording = false;         // a take is being captured
    bool PlayingRecording = false;  // the last take is playing back
    QString RecordFile;             // the last saved take
    std::int64_t RecordStart = 0;   // clock tick (ms) at which the capture started
    std::int32_t CapturedBytes = 0; // bytes of the last take
    bool recordStarting = false;    // the record command waits in a box or for events
    bool stopAfterStart = false;    // a stop arrived meanwhile
    bool savingRecording = false;   // the save dialog is open
    bool takeInputUnavailable = false; // the record command could not open the input
    bool takeToldInputLoss = false; // the last take's end said its input was lost
};

// Vocal removal, key shift and the MP3 conversions (sound/frmmain_effects.cpp,
// sound/frmmain_conversion.cpp): what they made and what runs.
struct SoundJobState {
    QString DevocalFile;      // the current track without its voice
    QString ShiftFile;        // the current track in another key
    bool VocalRemovalOn = false; // DevocalFile is what plays
    bool KeyShiftOn = false;     // ShiftFile is what plays
    QString EffectSourceFile; // the file an effect job started from
    std::int32_t EffectStatus = 0; // the last status of Effect1
    bool Encoding = false;    // WAV to MP3 runs
    bool Decoding = false;    // MP3 to WAV runs
    bool EncodeOk = false;    // outcome of the last conversion
    bool DecodeOk = false;
};

// The 50 ms animation tick (visual/frmmain_visual.cpp): the newest captured
// block, the level meter and the visual effects drawn from it.
struct AnimationState {
    std::int32_t CaptureStatus = 0;
    std::int32_t SampleCount = 0;      // 16-bit samples captured so far
    std::int32_t PeakLeft = 0;
    std::int32_t PeakRight = 0;
    std::int32_t MeterLeft = 0;        // twips, 0..2160
    std::int32_t MeterRight = 0;
    EffectCounters Effects;            // EffectTicks, VisualFrame, column counter
    MeterPositions Meter;              // the Left values of Picture4(0..3), twips
    TickBlock TickSamples{};           // the newest 1440 samples, oldest first
    std::uint64_t AnimationTicks = 0;     // ticks past the guards
    std::uint64_t AnimationTicksRead = 0; // ticks that read a fresh block
    bool animationTickRunning = false; // a tick is under way (it lets messages run)
};

// The lyrics shown for the current track and where the 50 ms lyric tick
// stands in them: the clock, the lines around the one sung, the marquee and
// the strips of the picture views (lyrics/frmmain_lyric*.cpp).
struct LyricDisplayState {
    QString LrcPath; // the lyric file shown
    // True while the current track's lyrics are loaded (set by the loader).
    bool LyricsLoaded = false;
    double LrcClock = 0;
    QString LrcTimeKey;
    QString LrcCurTime = QStringLiteral("0"); // stamps of the line sung and the next one
    QString LrcNextTime = QStringLiteral("0");
    QString LrcPrevLine;
    QString LrcCurLine;
    QString LrcNextLine;
    std::int32_t LrcMarqueeX = 10;
    std::int32_t LrcMarqueeStep = 1;
    std::int32_t LrcMarqueeWidth = 100;
    std::int32_t LrcStripWidth = 0; // the current line's strip, twips
    std::int32_t LrcStripX = 0;
    std::int32_t LrcStripStep = 0; // leftward move per tick; 0 = standing
    std::int32_t LrcStripRed = 0; // strip colour, a grey level (the three are equal)
    std::int32_t LrcStripGreen = 0;
    std::int32_t LrcStripBlue = 0;
    std::int32_t LrcPaintCounter = 0;
    bool lyricTickRunning = false;
    // The lyric box's stamps by time key, following its text.
    LyricTimeIndex lyricIndex;
};

// The settings dialog and the lyrics window reach the window only through
// their doors (SettingsHost, LyricsWindowHost).
class FrmMain : public QWidget, public SettingsHost, public LyricsWindowHost {
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
    // Form_Unload's saves of SetLog.ini and List.mdu, asking again on failure.
    void saveAtUnload();
    // Runs both shut-down handlers; ends the program unless `Reloading`.
    void unloadForm();
    // Unload, then load and show the window again, with the command line
    // suppressed once. Runs from the event loop, never inside a handler that
    // goes on using the window afterwards.
    void reloadWindow();

    void Image3_Click(); // minimise
    void Image4_Click(); // close, after a question
    void mnuExit_Click();
    // A session's end or a kill (SIGTERM): the exit command, whatever box is
    // open; a save that fails is told on standard error instead of asked.
    void endOnSignal();
    static void SetAlwaysOnTopMode(QWidget* window, bool onTop);
    // Lists the devices and selects `keep` (an input's name) while the
    // server still has it, else the first one it accepts.
    void FillDeviceCombo(const QByteArray& keep = {});

    // ---- track and transport (shared by several Parts) ----------------
    // The sequence every track change performs, for CurrentIndex; false
    // when nothing was loaded or it took the restart path.
    bool LoadTrack();
    void Timer3_Timer();
    // The start tick's step that makes the skin buttons clickable: all but
    // the lyric editor's, which waits for the lyric loader; a button that
    // stands for a menu item can be clicked while the item is enabled.
    void enableSkinButtons();
    void mnuAdd_Click();
    void ReloadAfterError();
    // The add command's hook: adding entries to the list (playlist code).
    void List1_Click();

    // ---- playlist handlers (frmmain_playlist.cpp) ----------------------
    void mnuAdd2_Click();
    void mnuListIn_Click();
    void mnuListSa_Click();
    void mnuDelete_Click();
    void mnuDeleteAll_Click();
    // The local files of a drop on the list, in the dropped order.
    void List1_OLEDragDrop(const QStringList& droppedFiles);
    void List1_MouseDown(Qt::MouseButton button);
    void List1_MouseUp(Qt::MouseButton button);
    void List1_MouseMove();
    void List1_DblClick();
    // The list box as editing state, and back (without raising List1_Click).
    PlaylistState playlistState() const;
    void showPlaylistState(const PlaylistState& s);
    // ---- transport and media events (frmmain_transport.cpp, frmmain_events.cpp)
    void mnuPlaySelct_Click(); // also PopPlaySelct
    void mnuNext_Click();      // also XPButton2
    void mnuPrevious_Click();  // also XPButton1
    void mnuListDown_Click();  // also XPButton11
    void mnuListUp_Click();    // also XPButton10
    void XPButton12_Click();   // play
    void mnuPlayPause_Click(); // also a left press on Image2, Picture2, Picture5
    void XPButton18_Click();   // pause only
    void mnuStop_Click();      // also XPButton13
    void MediaPlayer1_EndOfStream();
    void MediaPlayer1_OpenStateChange();
    void MediaPlayer1_PlayStateChange();
    // The sound output failed: the track stays, paused at its place.
    void MediaPlayer1_OutputLost();
    // The player cannot be started: the message, then the exit command's
    // shut-down (settings and list saved). Once per process.
    void MediaPlayer1_Unavailable(const QString& reason);
    // Keys, balance and window commands (frmmain_keys.cpp). Key codes are
    // the window system's virtual key codes (letters upper case).
    void Form_KeyDown(int keyCode);
    void Form_KeyUp(int keyCode);
    void HScroll1_Change();
    void mnuFull_Click();
    void XPButton24_Click();
    void mnuFileInfo_Click(); // also XPButton22
    // The file-type association dialog (dialogs/frmmain_fileshell.cpp).
    void mnuFileShell_Click();
    void connectFileShellHandlers();
    void MediaPlayer1_GotFocus();
    // The C-K-D sequence: KeyState after releasing `keyCode` (1 only from 2
    // by D; the caller stretches the window then).
    static int keyStateAfterRelease(int keyState, int keyCode);
    // "L· q ·R" for a balance of -5000..5000.
    static QString balanceCaption(int balance);
    // LoadTrack, then (when `play`) lets messages run and plays. False when
    // nothing was loaded: no such entry, another load under way, the list
    // was rebuilt meanwhile, or the restart path was taken.
    bool loadTrackAndPlay(bool play);
    // What the commands that load do first; `busy` for those that play.
    void transportReset(bool busy);
    // Selects `index` as the code does: the list's click handler runs.
    void selectEntry(int index);
    // A track change is running: further ones are refused until it ends.
    bool trackChangeRunning() const { return transportCommandRunning_ || loadTrackRunning_; }
    bool stepTrack(bool forward);
    // The list's selection one entry down or up (a random one in random
    // play); a stopped player loads the entry selected.
    void stepListSelection(bool down);
    void stretchWindow();
    // The stretched window's place: its screen, 150 twips down.
    void stretchOverScreen();
    void installTransportInputFilters();
    // After every skin button's own handlers: the focus goes back to the skin.
    void connectSkinButtonFocus();
    // ---- lyric handlers (lyrics/frmmain_lyrics*.cpp) --------------------
    // Offset, editor, local lyric files and the no-lyrics mark
    // (lyrics/frmmain_lyrics.cpp, lyrics/frmmain_lyriceditor.cpp).
    void mnuOffsetA_Click(); // +50 ms (also XPButton4, keypad plus)
    void mnuOffsetD_Click(); // -50 ms (also XPButton3, keypad minus)
    void XPButton3_Click();
    void XPButton4_Click();
    void XPButton5_Click();  // opens or closes the lyric editor
    void mnuEditLRC_Click(); // PopEditLRC
    void mnuDelLRC_Click();  // PopDelLRC
    void mnuEdit_Click();    // the Edit menu opens
    void mnuOpenLRC_Click(); // PopOpenLRC
    void mnuReOpenLRC_Click(); // PopReOpenLRC, PopReOpenLRC5, XPButton19
    void mnuNotLRC_Click();  // PopNotLRC, PopNotLRC5
    void PopNotLRC4_Click(); // the selected playlist entry
    // The editor is open exactly when XPButton5's tool-tip says "退出修改".
    bool lyricEditorOpen() const;
    // Shows the editor open or closed: RichTextBox2, XPButton5's caption and
    // tool-tip, the captions of mnuEditLRC and PopEditLRC.
    void showLyricEditorState(bool open);
    // Every way the editor closes goes through here: its own button, every
    // lyric load, a track change, the end of a track, the fuzzy search, a
    // chosen file, the no-lyrics mark and the exit. Edits not yet saved are
    // offered for saving ("是否保存修改?") into the file the editor was opened
    // for, whichever track is current by the time the answer comes.
    enum class EditorClose {
        AskIfChanged, // a load or the exit: asks only when the text was changed
        AlwaysAsk,    // the editor's own close
        Discard,      // its file was deleted: nothing to save into
    };
    // False only when the user chose to save and the save failed (reported).
    bool closeLyricEditor(EditorClose how = EditorClose::AskIfChanged);
    void showLyricFile(const QString& path, const LrcParseResult& parsed);
    // Lyrics web service (lyrics/frmmain_lrcweb.cpp).
    void connectLrcWebHandlers();
    // The exact request for the current track (LoadTrackLyrics, when the
    // track has no lyric file); does nothing while AutoDownloadLrc is off.
    void requestLyricsFromService();
    // The lyric loader's reset at every track change (also the restart
    // path): the poll, the candidate countdown and a transfer under way end,
    // the candidate list is hidden.
    void resetLyricsService();
    // The open-state handler: ends the poll and the countdown (dropping the
    // transfer) only when the media now open is not the track the lyrics
    // were asked for, so a new track's own open event keeps its request.
    void stopLyricsServiceTimers();
    void mnuOpenLRC2_Click(); // fuzzy search (PopOpenLRC2, PopOpenLRC5)
    void mnuSearch1_Click();  // lyrics site page (PopSearch1, XPButton25)
    void mnuSearch2_Click();  // MP3 search (PopSearch2)
    void mnuSearch3_Click();  // picture search (PopSearch3)
    // Lyric tick and view modes (lyrics/frmmain_lyrictick.cpp, frmmain_lyricview.cpp).
    void connectLyricViewHandlers();
    void mnuLrcVS0_Click();
    void mnuLrcVS1_Click();
    void mnuLrcVS2_Click() override;
    void mnuLrcVSH_Click();
    void PopLrcVS0_Click();
    void PopLrcVS1_Click();
    void PopLrcVS2_Click();
    void PopLrcVSH_Click();
    void XPButton20_Click(); // next view
    void XPButton21_Click(); // ask for the lyrics window (also key H)
    void mnuLrcSt_Click();   // pause or resume the lyric movement
    // The lyric view parts of the Control and View menus and of the lyric
    // pop-up when they open.
    void mnuControl_Click();
    void checkLrcViewMenu();
    void Popmnu1_Click();
    void Timer8_Timer();
    // The picture views and the lyrics window, as the tick and the view
    // commands reach them.
    void paintLyricViews();
    void layoutLyricStripOnHit(bool lyricsWindow);
    void placeLyricStrip();
    void Timer10_Timer(); // a new lyric background picture
    // The lyric background: Image6, copied into the lyrics window's picture
    // when that window exists (it is never made for this).
    void setLyricBackground(const QPixmap& picture) override;
    // The song picture again after the default picture changed; stops Timer6.
    void Timer6_Timer();
    void centreLyricStripOnEndText(bool lyricsWindow);
    // The last three seconds of the track: the closing text in every view.
    void showClosingLyricText();
    // After a switch of view, sub-mode or full screen: the line sung now is
    // made the current one and the view now shown draws it at once.
    void showSungLineNow() override;
    bool lyricsWindowShown() const override;
    // Whether this build has the full-screen lyrics window (it has).
    bool lyricsWindowAvailable() const;
    void openLyricsWindow();
    void closeLyricsWindow() override;
    void focusLyricsWindow();
    // The lyrics window's copy of the lyric text; null while there is none.
    RichTextModel* lyricsWindowBox() const;
    // The full-screen lyrics window (lyrics/frmlrc.h); made, hidden, when
    // `create` asks for it and there is none. Null for one that is closing.
    FrmLrc* lyricsWindow(bool create = false);
    // The main window goes: the lyrics window with it, without its unload step.
    void destroyLyricsWindow();
    // Finds, loads and shows the current track's lyrics.
    void LoadTrackLyrics();
    // The 50 ms lyric tick.
    void Timer1_Timer();
    // ---- recording handlers (sound/frmmain_recording.cpp) --------------
    // Record command (menu mnuStartRec, button XPButton6).
    void mnuStartRec_Click();
    // The 50 ms progress tick of a recording.
    void Timer5_Timer();
    // Copies the capture into DSBuffer; saves the take (stop command only).
    void CopyCaptureToBuffer();
    void SaveRecording();
    // Plays the last saved recording (menu mnuPlayRec, button XPButton7).
    void mnuPlayRec_Click();
    void XPButton7_Click();
    // Starts the desktop's volume control (menu mnuSNDVOL; XPButton17 and
    // the pop-up items call it); tells the user when there is none.
    void mnuSNDVOL_Click();
    // Stops a running recording or the play-back of a recording.
    void mnuStopRecPlay_Click();
    void XPButton8_Click();
    void takeEnded();
    // The recording input panel and the meter switch (sound/frmmain_inputpanel.cpp).
    void cboDev_Click();       // a device row was chosen (not for -1)
    void FillMixerLineCombo();
    void cboRecLine_Click();   // a line row was chosen (not for -1)
    void sldVol_Scroll();      // the user moved the slider: writes the volume
    void sldVol_MouseUp();
    void mnuShowVolumeB_Click(); // also PopShowVolumeB
    void Popmnu3_Click();      // the meter pop-up opens
    void Picture3_MouseUp(Qt::MouseButton button);
    void connectInputPanelHandlers();
    // The panel follows the server: filled once it answers, refilled when
    // inputs come and go (the one chosen going away is told once).
    void watchInputDevices();
    void refreshInputPanel();
    // A name longer than the box: its tooltip, and a drop-down list wide
    // enough for the longest.
    void showWholeNames(QComboBox* box);

    // ---- vocal removal, key shift and conversions (sound/frmmain_effects.cpp,
    // sound/frmmain_conversion.cpp) --------------------------------------
    // Run on every change of the box's value, code's too.
    void Check2_Click();
    void Check3_Click();
    // The pointer over a switch gives it the hover colour.
    void Check2_MouseMove();
    void Check3_MouseMove();
    void mnuRemoveVocal_Click();
    void mnuShifting_Click();
    void RemoveVocals();
    void ShiftPitch();
    // The tools menu: WAV to MP3, MP3 to WAV, and their one-second polls.
    void mnuTools1_Click();
    void mnuTools2_Click();
    void TimerEnMp3_Timer();
    void TimerUnEnMp3_Timer();
    // Event 9 of Effect1, event 10 of the decoder and the encoder.
    void Effect1_StatusChange(int status);
    void Mp3Play1_Finished(bool ok, const QString& error);
    void Mp3Enc1_Finished(bool ok, const QString& error);
    // A sound job (effect or conversion) is under way; a second is refused.
    bool soundJobRunning() const { return effectJob_ != nullptr || Jobs.Encoding || Jobs.Decoding; }
    // The running effect job waits for an event of its controls (a copy, a
    // pass or a status) and goes on when it comes.
    bool effectJobWaiting() const;
    // Ends a running job without a box: workers joined, progress window
    // gone. The shut-down and the restart call it before TEMP is emptied.
    void cancelSoundJobs();
    // ---- animation tick and visual menus (visual/frmmain_visual.cpp) -----
    // The 50 ms tick: level meter, visual effects, the stretched window's jump.
    void Timer4_Timer();
    void mnuSelVisual_Click(int n); // mnuSelVisual0..9, PopSelVisual0..9
    void mnuShowVisualS_Click();    // also PopShowVisualS, PopShowVisualS2
    void XPButton23_Click();
    void mnuShowPic_Click();
    void mnuView_Click();           // the View menu opens
    void Popmnu6_Click();           // the visual pop-up opens
    void UpdateVisualStyleMenus();
    // The lyric marquee (view 1), painted by the lyric tick.
    void paintLyricMarquee(FrmLrc* lrc = nullptr);
    // ---- settings dialog (dialogs/frmmain_settings.cpp) ----------------
    void mnuMoreSetup_Click(); // also XPButton16
    void connectSettingsHandlers();
    // The visualisation panel on or off: ShowVisual, Picture5, the animation
    // tick (started only) and the captions of the switch items; shared by
    // the menu switch and the settings dialog (visual/frmmain_visual.cpp).
    void showVisualisation(bool on) override;

    // ---- about, help and home page (dialogs/frmmain_help.cpp) -----------
    void connectHelpHandlers();
    void mnuHelpContents_Click(); // also Label6 (left button) and F1
    void mnuWebLink_Click();      // also XPButton15
    void mnuHelpAbout_Click();
    void Label6_MouseUp(Qt::MouseButton button);
    QLabel* Label6 = nullptr;     // "帮助(F1)" on the skin

    // ---- pictures, skin, dragging and pop-ups (visual/frmmain_pictures.cpp,
    // visual/frmmain_skin.cpp) ----
    // Chooses, places and shows the song picture: `path`, or with an empty
    // one the current track's own picture in PICS; the track's own picture
    // also becomes the lyric background unless Timer6 runs.
    void ShowCoverPicture(const QString& path);
    void mnuOpenPic_Click(); // also PopOpenPic
    void mnuSkinsRe_Click() override;
    void mnuSkinsDe_Click() override;
    void connectSkinHandlers();
    // The window moved to another screen, or its scale changed: the skin's
    // layout (or the stretched window) is made again for that screen.
    void Form_ScreenChanged();
    // A left press on `control` moves the window (the recording panel's
    // labels take this when they are built).
    void makeDragHandle(QWidget* control);
    // The effect switches lose their hover colour.
    void resetSwitchHover();
    // A switch's back colour (a colour or a system colour reference), unless
    // it has it already. The button face is the skin's own: the switch
    // shows what lies behind it.
    void setSwitchBackColor(QCheckBox* box, rt::PackedColor colour);
    // Mouse events of the skin, its labels and frames and the picture panels.
    bool skinMouseEvent(QObject* watched, QEvent* event);

    // ---- controls (names as designed) ---------------------------------
    QLabel* PicShape = nullptr; // ImgShape(0) and (1) are Skin.imgShape
    QLabel* Image5 = nullptr;  // menu picture
    QLabel* Image3 = nullptr;  // minimise
    QLabel* Image4 = nullptr;  // close
    QLabel* Label4 = nullptr;  // title
    QLabel* Label5 = nullptr;  // hint line
    QLabel* Label1 = nullptr; // lyric clock
    QLabel* Label2 = nullptr; // offset in force
    QLabel* Label1Caption = nullptr;
    QLabel* Label2Caption = nullptr;

    rt::MediaControl* MediaPlayer1 = nullptr;
    QWidget* Picture2 = nullptr;    // cover picture area
    QLabel* Image1 = nullptr;       // default cover (hidden holder)
    QLabel* Image2 = nullptr;       // shown cover
    VisualPanel* Picture5 = nullptr; // visualisation panel
    // The level meter strip; Picture4(0..3), its two covers and two peak
    // markers, are parts it paints (visual/meterstrip.h).
    MeterStrip* Picture3 = nullptr;
    QFrame* Line1 = nullptr;        // recording progress line

    VisualPanel* Picture1 = nullptr; // lyric area (the marquee's panel)
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

    QGroupBox* frmInp = nullptr;    // recording input panel "录音控制"
    QComboBox* cboDev = nullptr;
    QComboBox* cboRecLine = nullptr;
    QSlider* sldVol = nullptr;      // 0..65535, the mixer's raw volume
    QLabel* lblDev = nullptr;
    QLabel* lblLine = nullptr;
    QLabel* lblVol = nullptr;
    QLabel* lblVolPer = nullptr;
    QLabel* imgR = nullptr;
    QCheckBox* Check2 = nullptr;    // vocal removal
    QCheckBox* Check3 = nullptr;    // key shift
    QScrollBar* HScroll1 = nullptr; // balance

    std::array<melodune::XPButton*, 26> XPButtons{}; // XPButton1..XPButton25 by number
    // Timers 1..10 of the window, all stored switched off.
    std::array<QTimer*, 11> Timer{};
    bool KeepListFile = false;      // List.mdu could not be read nor moved aside: exit leaves it
    QTimer* TimerEnMp3 = nullptr;   // progress of the MP3 conversions
    QTimer* TimerUnEnMp3 = nullptr;
    rt::Mp3Decoder* Mp3Play1 = nullptr;
    rt::Mp3Encoder* Mp3Enc1 = nullptr;
    rt::EffectControl* Effect1 = nullptr;

    // ---- menus (names as designed) --------------------------------------
    // The main menu, opened from the skin as a pop-up, and its menus.
    QMenu* Popmnu0 = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuAdd2 = nullptr;
    QAction* mnuListIn = nullptr;
    QAction* mnuListSa = nullptr;
    QAction* mnuFileInfo = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuDeleteAll = nullptr;
    QAction* mnuEditLRC = nullptr;
    QAction* mnuOffsetA = nullptr;
    QAction* mnuOffsetD = nullptr;
    QAction* mnuOpenLRC = nullptr;
    QAction* mnuOpenLRC2 = nullptr;
    QAction* mnuSearch1 = nullptr;
    QAction* mnuReOpenLRC = nullptr;
    QAction* mnuNotLRC = nullptr;
    QAction* mnuDelLRC = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuFull = nullptr;
    QAction* mnuShowPic = nullptr;
    QAction* mnuOpenPic = nullptr;
    QAction* mnuSearch3 = nullptr;
    QAction* mnuShowVolumeB = nullptr;
    QAction* mnuShowVisualS = nullptr;
    QMenu* mnuSelVisualN = nullptr;
    std::array<QAction*, 10> mnuSelVisual{}; // mnuSelVisual0..mnuSelVisual9 by number
    QMenu* mnuLrcVS = nullptr;
    QAction* mnuLrcVS0 = nullptr;
    QAction* mnuLrcVS1 = nullptr;
    QAction* mnuLrcVS2 = nullptr;
    QAction* mnuLrcVSH = nullptr;
    QMenu* mnuControl = nullptr;
    QAction* mnuPlayPause = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuPlaySelct = nullptr;
    QAction* mnuPrevious = nullptr;
    QAction* mnuNext = nullptr;
    QAction* mnuListUp = nullptr;
    QAction* mnuListDown = nullptr;
    QAction* mnuStartRec = nullptr;
    QAction* mnuStopRecPlay = nullptr;
    QAction* mnuPlayRec = nullptr;
    QAction* mnuLrcSt = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuSNDVOL = nullptr;
    QAction* mnuRemoveVocal = nullptr;
    QAction* mnuShifting = nullptr;
    QAction* mnuTools1 = nullptr;
    QAction* mnuTools2 = nullptr;
    QAction* mnuSearch2 = nullptr;
    QMenu* mnuSetup = nullptr;
    QAction* mnuMoreSetup = nullptr;
    QMenu* mnuSkins = nullptr;
    QAction* mnuSkinsRe = nullptr;
    QAction* mnuSkinsDe = nullptr;
    QAction* mnuFileShell = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuWebLink = nullptr;
    QAction* mnuHelpAbout = nullptr;
    // The lyric pop-up.
    QMenu* Popmnu1 = nullptr;
    QAction* PopOpenLRC = nullptr;
    QAction* PopOpenLRC2 = nullptr;
    QAction* PopSearch1 = nullptr;
    QAction* PopReOpenLRC = nullptr;
    QAction* PopDelLRC = nullptr;
    QAction* PopNotLRC = nullptr;
    QAction* PopEditLRC = nullptr;
    QMenu* PopLrcVS = nullptr;
    QAction* PopLrcVS0 = nullptr;
    QAction* PopLrcVS1 = nullptr;
    QAction* PopLrcVS2 = nullptr;
    QAction* PopLrcVSH = nullptr;
    // The picture pop-up.
    QMenu* Popmnu2 = nullptr;
    QAction* PopOpenPic = nullptr;
    QAction* PopSearch3 = nullptr;
    QAction* PopShowVisualS2 = nullptr;
    // The meter pop-up.
    QMenu* Popmnu3 = nullptr;
    QAction* PopShowVolumeB = nullptr;
    QAction* PopSNDVOL = nullptr;
    // The playlist pop-up.
    QMenu* Popmnu4 = nullptr;
    QAction* PopAddFile = nullptr;
    QAction* PopAddLink = nullptr;
    QAction* PopSearch2 = nullptr;
    QAction* PopPlaySelct = nullptr;
    QAction* PopNotLRC4 = nullptr;
    QAction* PopDelete = nullptr;
    QAction* PopDeleteAll = nullptr;
    QAction* PopListIn = nullptr;
    QAction* PopListSa = nullptr;
    // The lyric candidates' pop-up.
    QMenu* Popmnu5 = nullptr;
    QAction* PopDownLrc5 = nullptr;
    QAction* PopOpenLRC5 = nullptr;
    QAction* PopNotLRC5 = nullptr;
    QAction* PopReOpenLRC5 = nullptr;
    // The visualisation pop-up.
    QMenu* Popmnu6 = nullptr;
    QAction* PopShowVisualS = nullptr;
    QMenu* PopSelVisualN = nullptr;
    std::array<QAction*, 10> PopSelVisual{}; // PopSelVisual0..PopSelVisual9 by number
    QAction* PopSNDVOL6 = nullptr;

    // ---- fields of the window -----------------------------------------
    TrackState Track;
    bool Reloading = false;
    PlayedMarks Marks;  // PlayedMarks and LastPlayedPos
    LyricState Lyrics;
    // ---- fields of the transport and media events ----
    // The control that last received the focus: "MediaPlayer1" or "RichTextBox1".
    QString FocusedControl;
    QLabel* Label3 = nullptr; // balance caption
    // ---- fields of the lyric handlers ----
    // The editable face of RichTextBox2 (a QPlainTextEdit over its view);
    // the model keeps the text with CR LF line ends.
    QWidget* RichTextBox2Edit = nullptr;
    // The lyrics web client: the controller and the window side it drives
    // (lyrics/frmmain_lrcweb.cpp), made by connectLrcWebHandlers().
    struct LrcWebDeleter {
        void operator()(class LrcWebWindow* p) const;
        void operator()(class LrcRequestController* p) const;
    };
    std::unique_ptr<LrcWebWindow, LrcWebDeleter> LrcWeb;
    std::unique_ptr<LrcRequestController, LrcWebDeleter> Lrc; // made after, gone before LrcWeb
    LyricDisplayState LrcView;
    // Bumped by every LoadTrackLyrics, so one that let messages run can tell
    // that a newer load has taken over.
    std::uint64_t LyricLoadSerial = 0;
    bool HideMainPending = false; // the next tick drops always-on-top (and hides)
    // ---- fields of the recording handlers ----
    RecordingState Rec;
    // Status pictures: idle, recording, playing back, vocal removal on, key shift on.
    std::array<QPixmap, 5> imgS;

    // Sound objects, made by the start and released by the shut-down.
    std::unique_ptr<WaveInRecorder> clsRecorder;
    std::unique_ptr<rt::DSCapture> DSCapture;
    std::unique_ptr<rt::DSound> DSound;
    std::unique_ptr<rt::DSCaptureBuffer> DSCaptureBuffer;
    std::unique_ptr<rt::DSBuffer> DSBuffer;
    CaptureSizing Capture; // CaptureDesc, RecordSeconds, Samples
    // ---- fields of the effect and conversion jobs ----
    SoundJobState Jobs;
    // ---- fields of the animation tick ----
    AnimationState Anim;
    // The visualiser, made by whichever tick needs it first.
    std::unique_ptr<clsVisual> Visual;
    SkinControls Skin;

signals:
    // The program ends (the window was unloaded without a reload).
    void programEnded();
    // Timer6 has refreshed the song picture.
    void coverPictureRefreshed();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- what only the doors ask for (visual/frmmain_pictures.cpp,
    // visual/frmmain_visual.cpp, lyrics/frmmain_lyricview.cpp) ------------
    QWidget& mainWindow() override { return *this; }
    QPixmap songPicture() const override;
    void placeSongPicture(const QRect& twips) override;
    void setDefaultPicture(const QPixmap& picture) override;
    void showDefaultPicture() override;
    void whenSongPictureRedrawn(QObject* receiver, std::function<void()> done) override;
    QPixmap lyricBackground() const override;
    void startAnimationTick() override;
    bool lyricCandidatesShown() const override;
    void setLyricTextBoxVisible(bool visible) override;
    void setPictureViewVisible(bool visible) override;
    const RichTextModel& lyricBox() const override { return *RichTextBox1; }
    LyricState& lyricState() override { return Lyrics; }
    rt::MediaControl& media() override { return *MediaPlayer1; }

    // Each concern connects its own menus, buttons and events.
    void connectHandlers();
    void onMenuItem(QAction* item, void (FrmMain::*handler)());
    // The stop menu item and button, enabled with a caption.
    void showStopCommand(const QString& button, const QString& menu);
    void connectStartupHandlers();
    void connectPlaylistHandlers();
    void connectTransportHandlers();
    void connectLyricsHandlers();
    void connectRecordingHandlers();
    void connectEffectHandlers();
    // The lyric tick's steps (lyrics/frmmain_lyrictick.cpp), in the order
    // Timer1_Timer takes them.
    // HideMainPending: always-on-top off, and the main window hidden
    // behind a shown lyrics window.
    void hideMainIfAsked();
    // Minimised (without the lyrics window) or full-screen video: the tick
    // has nothing to show.
    bool lyricsOutOfSight() const;
    // LrcClock from the position and the offset, into Label1 and Label2.
    void showLyricClock();
    void keepLyricViewControls();
    // The line stamped with the clock's tenth, or with a tenth a late tick
    // passed over; none when there is none or it is already highlighted.
    std::optional<LyricLineHit> lineSungNow();
    // Scroll, highlight, caret, the picture views' texts and the marquee.
    void moveToSungLine(const LyricLineHit& line);
    // The highlight moved onto the line in the box and the lyrics window's
    // copy, kept in view.
    void highlightSungLine(const LyricLineHit& line);
    // The next line, the marquee and the strips for the line now sung.
    void showSungLineInViews(const LyricLineHit& line);
    // Pending messages run, the focus leaves the lyric boxes, the next tick
    // comes 110 ms later.
    void handOnAfterLyricHit();
    // The effect job's steps (sound/frmmain_effects.cpp).
    // An event of the controls came: the waiting job goes on if it was its.
    void effectJobEvent();
    // The bar's step during a wait, and the wait's limit: past it, the job
    // goes on as failed.
    void effectJobTick();
    bool chooseEffectOutput(const QString& suffix, QString* chosen);
    bool beginEffectJob(QCheckBox* box, QAction* menuItem, const QString& question,
                        void (FrmMain::*reset)(), double* duration);
    void effectSwitchClick(bool vocal);
    void showEffectSwitch(bool vocal);
    void resetVocalRemoval();
    void resetKeyShift();
    void startConversion(bool encode);
    void connectVisualHandlers();
    // The animation tick's steps (visual/frmmain_visual.cpp).
    // The full-screen lyrics window, a minimised window, full-screen video
    // or Busy: the tick has nothing to show.
    bool animationFrozen();
    // The peak markers drift back; with neither meter nor visualisation
    // wanted and the markers at rest, the tick switches itself off (true).
    bool switchOffWhenMeterRests();
    void hideUnwantedAnimation();
    // What the capture buffer holds for this tick.
    enum class CaptureInput {
        Fresh,         // a block of the newest samples to read
        Stale,         // nothing new (no buffer, too little captured)
        RecordingOver, // the take's buffer is gone or has run full
    };
    CaptureInput readCaptureState();
    void showSilence();
    // The newest block drives the meter, the visual effect and the
    // stretched window's jump.
    void animateNewestInput();
    void jumpWithTheInput();
    void drawVisualEffect();
    void restartMeterCapture();
    void placeMeter();
    void createVisual();
    // Mouse events of the passive controls, by the control's name; true
    // when handled.
    bool controlMouseEvent(const QString& control, QMouseEvent* e);
    // The controls as designed, made in their stacking order by the steps below.
    void buildDesign();
    void buildSkinPicture();
    void buildTitleBar();
    void buildHintLine();
    void buildLyricClock();
    void buildMediaControls();
    void buildPictureArea();
    void buildLevelMeter();
    void buildLyricArea();
    void buildPlaylist();
    void buildInputPanel();
    void buildSwitches();
    void buildSkinButtons();
    // The menus as designed; the skin buttons that stand for a menu item
    // take it as their action.
    void buildMenus();
    void buildTimers();
    void resetDesignState();
    void layoutStartControls();
    // Form_Load's steps, in its order (core/frmmain_startup.cpp).
    void showVersionCaption();
    // The recorder, its device list and the capture object; false (after
    // the message) when there is no sound input.
    bool openSoundDevices();
    void resetTrackFields();
    // The command line and the playlist into the list box.
    void loadStartupList();
    void applyStartupViewSettings();
    void centreBalance();
    void showLyricBackground();
    void placeLyricStrips();
    void showMainWindow();

    FrmMainServices services_;
    bool loaded_ = false;
    bool reloadQueued_ = false;
    bool unloading_ = false;
    bool endingOnSignal_ = false;
    bool outputLostShown_ = false;

    // ---- state only the handlers use, by concern ----
    // Playlist commands (core/frmmain_playlist.cpp).
    // A list command is waiting in a box or a load; a second one is refused.
    bool PlaylistCommandBusy = false;
    // A double click that came while a list command or a track change was
    // running (its own press's load lets messages run): the entry it was
    // made on, played as soon as they are done.
    struct PendingDoubleClick {
        int row = -1;
        QString entry;
        std::uint64_t listEpoch = 0;
    };
    std::optional<PendingDoubleClick> pendingDoubleClick_;
    void playPendingDoubleClick();
    // Track changes and media events (core/frmmain_transport.cpp,
    // core/frmmain_events.cpp).
    bool transportCommandRunning_ = false;
    bool loadTrackRunning_ = false;
    bool reloadAsking_ = false;   // ReloadAfterError is asking its questions
    bool mediaUnavailable_ = false; // the player could not be started: the program ends
    // Clock tick (ms) at which the loaded track first reached playing; -1
    // until it does. With the position at the end it tells whether a track
    // played at all.
    std::int64_t playingSinceMs_ = -1;
    SilentPass silentPass_;       // ends of tracks that played for no time
    std::uint64_t listEpoch_ = 0; // bumped whenever the list box is emptied or refilled
    // Lyric loads, lyric file commands and the editor (lyrics/frmmain_lyrics.cpp,
    // lyrics/frmmain_lyriceditor.cpp).
    // A lyric file command waits in a box; another one is refused meanwhile.
    bool lyricCommandRunning_ = false;
    // The editor's close waits for the answer to "是否保存修改?".
    bool lyricEditorClosing_ = false;
    // The open editor's file (the track's file in LRCS when it opened) and
    // the text it was opened with, to tell unsaved edits.
    QString LyricEditorFile;
    QString LyricEditorOriginal;
    // The lyrics window.
    QPointer<FrmLrc> frmLrc_;
    // The recording input panel (sound/frmmain_inputpanel.cpp).
    QTimer* inputPanelRefresh_ = nullptr; // gathers the server's notices
    bool inputPanelRefreshPending_ = false; // a notice came during a take: after it
    // The effect jobs (sound/frmmain_effects.cpp).
    QTimer* effectJobTick_ = nullptr; // the bar's steps and the look at a wait's limit
    rt::SoundWorker jobWorker_;         // the copy and the pass
    rt::WorkingCopyJob* workingCopy_ = nullptr;
    // The running vocal removal or key shift: its steps, what it has made
    // and what it waits for (sound/frmmain_effects.cpp); null when none
    // runs. Gone before the worker above, which is joined after it.
    struct EffectJob;
    struct EffectJobDeleter {
        void operator()(EffectJob* job) const;
    };
    std::unique_ptr<EffectJob, EffectJobDeleter> effectJob_;
    // Picture commands and dragging the skin by hand (visual/frmmain_pictures.cpp,
    // visual/frmmain_skin.cpp).
    bool pictureCommandRunning_ = false;
    bool handDragging_ = false;   // moved by hand: no window manager to do it
    QPoint handDragGrab_;         // the pressed point of the skin, from its top-left
};

} // namespace melodune

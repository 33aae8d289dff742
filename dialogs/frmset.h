#pragma once
// The settings dialog: every control writes its setting the moment it
// changes (there is no Cancel); some also act on the main window at once
// (song picture, skin, visualisation panel, lyric view). It is made afresh
// at each opening and filled from the settings by Form_Load.
//
// Value changes made by code run the handlers as a click would: the load
// step and the presets rely on that. The handlers are public so that tests
// can drive them.
#include <QDialog>
#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollBar;

namespace melodune {

class SettingsHost;
class XPButton;

class FrmSet : public QDialog {
    Q_OBJECT
public:
    // Builds the controls in their design state, connects them, then runs
    // Form_Load. `main` must outlive the dialog (its window is the dialog's
    // parent).
    explicit FrmSet(SettingsHost& main);
    ~FrmSet() override;

    // 0 while Form_Load fills the controls, 1 from the first show on. The
    // handlers that change the main window do so only when it is 1.
    std::int32_t DialogReady = 0;

    void Form_Load();
    void Form_Resize();

    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    void Check7_Click();
    void Check8_Click();
    void Check9_Click();
    void Check10_Click();
    void Check11_Click();
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void HScroll1_Change();
    void Option1_Click(int index);
    void Option2_Click(int index);
    void Option3_Click(int index);
    void Option4_Click(int index);
    void Option5_Click(int index);
    void Option5_DblClick(int index);
    void Option6_Click(int index);
    void XPButton1_Click(); // restore the defaults
    void XPButton2_Click(); // OK
    void XPButton3_Click(); // choose the default song picture
    void XPButton4_Click(); // simple mode
    void XPButton5_Click(); // add lyric background pictures

    // ---- controls (names as designed) ---------------------------------
    QCheckBox* Check1 = nullptr;  // volume control window on recording
    QCheckBox* Check2 = nullptr;  // download lyrics automatically
    QCheckBox* Check3 = nullptr;  // fuzzy search
    QCheckBox* Check4 = nullptr;  // vocal-removal compensation on
    QCheckBox* Check5 = nullptr;  // stop recording at the track's end
    QCheckBox* Check6 = nullptr;  // visualisation
    QCheckBox* Check7 = nullptr;  // the user's default song picture
    QCheckBox* Check8 = nullptr;  // play after start
    QCheckBox* Check9 = nullptr;  // random order
    QCheckBox* Check10 = nullptr; // full screen for videos
    QCheckBox* Check11 = nullptr; // the song's picture as lyric background
    QComboBox* Combo1 = nullptr;  // lyrics download wait
    QComboBox* Combo2 = nullptr;  // compensation strength
    QComboBox* Combo3 = nullptr;  // visual effect
    QScrollBar* HScroll1 = nullptr; // largest recording buffer, minutes
    std::array<QRadioButton*, 7> Option1{}; // MP3 bit rate
    std::array<QRadioButton*, 3> Option2{}; // MP3 sample rate
    std::array<QRadioButton*, 2> Option3{}; // song picture in proportion / stretched
    std::array<QRadioButton*, 2> Option4{}; // recording buffer: user maximum / rest of the track
    std::array<QRadioButton*, 2> Option5{}; // built-in / own skin
    std::array<QRadioButton*, 3> Option6{}; // lyric view
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr; // the number of minutes
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    XPButton* XPButton1 = nullptr;
    XPButton* XPButton2 = nullptr;
    XPButton* XPButton3 = nullptr;
    XPButton* XPButton4 = nullptr;
    XPButton* XPButton5 = nullptr;
    // The frames, in the order in which they stand.
    std::array<QGroupBox*, 9> Frames{};

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildDesign();
    void connectHandlers();
    // The main window's song picture stretched over the picture area, the
    // picture box locked until the picture timer has redrawn the area.
    void refreshSongPicture();
    // The two presets walk the same rows with a few values apart.
    void applyPreset(bool simple);

    SettingsHost& main_;
    std::array<QButtonGroup*, 6> groups_{};
};

} // namespace melodune

#pragma once
// The key-shift amount dialog: a slider from -5 to 5; OK stores the value in
// KeyShiftAmount, Cancel or closing leaves 0 there.
#include <QDialog>

class QLabel;
class QSlider;

namespace melodune {

class XPButton;

class FrmShiftSet : public QDialog {
    Q_OBJECT
public:
    explicit FrmShiftSet(QWidget* owner = nullptr);

    QSlider* Slider1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    XPButton* XPButton1 = nullptr; // OK
    XPButton* XPButton2 = nullptr; // Cancel

    void Form_Load();
    void Slider1_Scroll();
    void XPButton1_Click();
    void XPButton2_Click();

    // "改变曲目音调设定值 " and the value, "-3" style.
    static QString captionFor(int value);
};

} // namespace melodune

#pragma once
// The track information window: what the loaded track is, as it was when
// the window opened. Shown modal by the main window's "当前加载曲目属性" item.
#include <QDialog>
#include <QLocale>
#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace rt {
class MediaControl;
}

namespace melodune {

class XPButton;

class FrmInfo : public QDialog {
    Q_OBJECT
public:
    FrmInfo(const rt::MediaControl& media, QWidget* parent = nullptr, const QLocale& locale = QLocale());

    void Form_Load();
    void XPButton1_Click();

    // The text of field 1..9.
    QString fieldText(int n) const;

    std::array<QLabel*, 10> Label{};     // Label1..Label9 by number
    std::array<QLineEdit*, 9> Text{};    // Text1..Text8 by number
    QPlainTextEdit* Text9 = nullptr;
    XPButton* XPButton1 = nullptr;

private:
    const rt::MediaControl& media_;
    QLocale locale_;
};

} // namespace melodune

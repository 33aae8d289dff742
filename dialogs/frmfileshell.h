#pragma once
// "文件关联设置": one box per media type; "确 定" writes the ticked types into
// the association store and mirrors the store onto the desktop.
#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <array>

class QCheckBox;
class QLabel;

namespace melodune {

class XPButton;

class FrmFileShell : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTypes = 21;

    // `program` is what the commands start; the icons come from dataDir/res.
    FrmFileShell(QWidget* owner, const QString& dataDir, const QString& program);

    void Form_Load();
    void Check1_Click(int index);
    void Image1_Click(int index);
    void XPButton1_Click();
    void XPButton2_Click();
    void XPButton3_Click();
    void XPButton4_Click();

    std::array<QCheckBox*, kTypes> Check1{};
    std::array<QRect, kTypes> Image1{}; // the icons' click areas, in pixels
    QLabel* Label2 = nullptr;
    XPButton* XPButton1 = nullptr;
    XPButton* XPButton2 = nullptr;
    XPButton* XPButton3 = nullptr;
    XPButton* XPButton4 = nullptr;

    // The icon shown for box `index`: the desktop's icon of the type's
    // marker file in res, else the marker's own picture; 24 logical pixels
    // at the dialog's device pixel ratio.
    QPixmap typeIcon(int index) const { return icons_[index]; }

protected:
    void paintEvent(QPaintEvent* e) override;
    // A press of any button on the dialog or its caption text moves it (the
    // icons take a left click).
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void loadIcons();
    void closeDialog();
    void startMove(Qt::MouseButton button, QPoint global);
    // Moves the dialog with the pointer while a move by hand goes on; true
    // when the event was the move's.
    bool followMove(const QMouseEvent& e);

    QString dataDir_;
    QString program_;
    static constexpr int IconSide = 24; // logical pixels
    std::array<QPixmap, kTypes> icons_{};
    qreal iconsRatio_ = 1.0; // the device pixel ratio the icons were made for
    Qt::MouseButton dragButton_ = Qt::NoButton; // the button of a move by hand
    QPoint dragOffset_;                         // the press less the dialog's place
};

} // namespace melodune

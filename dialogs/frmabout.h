#pragma once
// The about box: the program's title, version and description, the maker's
// line that leads to the home page, and the system information program.
// Shown modal by the main window's "关于" item.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class QFrame;
class QLabel;

namespace rt {
class MediaControl;
}

namespace melodune {

class XPButton;

// The program's version as the about box shows it: "版本 1.0.0".
QString aboutVersionText(int major, int minor, int revision);

class FrmAbout : public QDialog {
    Q_OBJECT
public:
    // `media` is the main window's control, whose transport-bar switch the
    // version label toggles.
    FrmAbout(rt::MediaControl* media, const QString& title, int major, int minor, int revision,
             QWidget* parent = nullptr);

    void Form_Load();
    void XPButton1_Click();
    void XPButton2_Click();
    void Label1_Click();
    void lblVersion_Click();

    // Starts the first desktop system information program installed; tells
    // the user when there is none or it does not start.
    static void StartSysInfo();
    // The desktop system information programs, in the order they are tried.
    struct SysInfoProgram {
        QString program;
        QStringList arguments;
    };
    static const std::vector<SysInfoProgram>& sysInfoPrograms();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    std::array<QFrame*, 2> Line1{};
    QLabel* Label1 = nullptr;
    XPButton* XPButton1 = nullptr;
    XPButton* XPButton2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    rt::MediaControl* media_;
    QString title_;
    int major_, minor_, revision_;
};

} // namespace melodune

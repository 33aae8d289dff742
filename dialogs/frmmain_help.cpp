// The main window's help menu, help label and home page button.
#include "controls/xpbutton.h"
#include "core/frmmain.h"
#include "dialogs/frmabout.h"
#include "dialogs/help.h"
#include "platform/ui.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

namespace melodune {

namespace {

// The help label answers a released button: the left one asks for help, the
// right one opens the main menu.
class HelpLabelFilter : public QObject {
public:
    explicit HelpLabelFilter(FrmMain& w) : QObject(&w), w_(w) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            w_.Label6_MouseUp(static_cast<QMouseEvent*>(event)->button());
            return true;
        }
        return false;
    }

private:
    FrmMain& w_;
};

} // namespace

void FrmMain::connectHelpHandlers()
{
    onMenuItem(mnuHelpContents, &FrmMain::mnuHelpContents_Click);
    onMenuItem(mnuWebLink, &FrmMain::mnuWebLink_Click);
    onMenuItem(mnuHelpAbout, &FrmMain::mnuHelpAbout_Click);
    Label6->installEventFilter(new HelpLabelFilter(*this));
    installHelpKey(this);
}

void FrmMain::mnuHelpContents_Click()
{
    List1->setFocus();
    showHelp();
}

void FrmMain::mnuWebLink_Click()
{
    openHomePage();
}

void FrmMain::mnuHelpAbout_Click()
{
    FrmAbout about(MediaPlayer1, rt::appTitle(), services_.versionMajor, services_.versionMinor,
                   services_.versionRevision, this);
    about.exec();
}

void FrmMain::Label6_MouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        mnuHelpContents_Click();
    else if (button == Qt::RightButton)
        Popmnu0->popup(QCursor::pos());
}

} // namespace melodune

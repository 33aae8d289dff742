#include "dialogs/help.h"

#include "core/shared.h"
#include "platform/shellopen.h"
#include "platform/ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

namespace melodune {

namespace {

class HelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const auto* k = static_cast<QKeyEvent*>(event);
        Qt::KeyboardModifiers modifiers = k->modifiers();
        modifiers.setFlag(Qt::KeypadModifier, false);
        if (k->key() != Qt::Key_F1 || modifiers != Qt::NoModifier)
            return false;
        // Taken where the window system delivers it, the window, before any
        // widget sees it: one press is one help, whichever control has the
        // focus.
        if (!watched->isWindowType())
            return false;
        if (event->type() == QEvent::KeyPress && !k->isAutoRepeat())
            showHelp();
        return true;
    }
};

} // namespace

QUrl homePageUrl()
{
    return QUrl(QString::fromLatin1(HomePageAddress));
}

void openHomePage()
{
    rt::openWebPageOrSay(homePageUrl());
}

QString helpFilePath()
{
    const QString dir = shared().ProgramDir.isEmpty() ? QCoreApplication::applicationDirPath() : shared().ProgramDir;
    return dir + QStringLiteral("/help.html");
}

void showHelp()
{
    const QString path = helpFilePath();
    auto tell = [path] {
        rt::ui().msgBox(QStringLiteral("无法打开帮助文件：") + QDir::toNativeSeparators(path), rt::OkOnly | rt::Exclamation);
    };
    if (QFileInfo(path).isFile())
        rt::openWebPage(QUrl::fromLocalFile(path), tell);
    else
        tell();
}

void installHelpKey(QObject* owner)
{
    QCoreApplication::instance()->installEventFilter(new HelpKeyFilter(owner));
}

} // namespace melodune

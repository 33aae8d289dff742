#pragma once
// The help page and the home page. The help is an HTML page shipped beside
// the program (help.html in ProgramDir), opened in the user's browser.
#include <QString>
#include <QUrl>

class QObject;

namespace melodune {

// The program's home page.
inline constexpr const char* HomePageAddress = "https://melodune.net/";
QUrl homePageUrl();
// mnuWebLink, XPButton15 and the about box's maker line; a desktop that
// cannot open it is told to the user with the address.
void openHomePage();

// ProgramDir & "/help.html".
QString helpFilePath();
// Opens the help page; a missing page or a desktop that cannot open it is
// told to the user ("无法打开帮助文件：" & path), once, at once or when the
// desktop's opener gives up.
void showHelp();

// F1 opens the help in every window of the program, modal dialogs
// included: one filter on the application, living as long as `owner`.
// A held key opens it once.
void installHelpKey(QObject* owner);

} // namespace melodune

#pragma once
class QTranslator;

namespace rt {
// Loads Qt's own Simplified Chinese texts (file dialogs, standard buttons,
// context menus) from Qt's translations folder into the application, so Qt's
// parts of the window speak the program's language. Needs the application
// object; call before any window is made. Returns the installed translator
// (owned by the application), or nullptr when the translation is not
// installed: Qt's parts then stay in English.
QTranslator* installQtChineseTranslation();
} // namespace rt

#pragma once
class QTranslator;

namespace rt {

struct QtChineseTranslation {
    QTranslator* qt = nullptr;         // Qt's own; null when not installed
    QTranslator* supplement = nullptr; // the program's, always installed
};

// Loads Qt's own Simplified Chinese texts (file dialogs, standard buttons,
// context menus) from Qt's translations folder into the application, so Qt's
// parts of the window speak the program's language, and after them the
// program's few texts for what Qt's translation lacks (the file list's
// "Folder" and its kin). Needs the application object; call before any
// window is made. Both translators are owned by the application.
QtChineseTranslation installQtChineseTranslation();
// Takes both out again and deletes them.
void removeQtChineseTranslation(const QtChineseTranslation& installed);

} // namespace rt

#pragma once
// The stored design data of the windows' buttons: style, caption, icon,
// stored Enabled and font, as each window's property store holds them.
#include "controls/propertybag.h"
#include <QString>
#include <vector>

namespace melodune {

struct ButtonData {
    const char* form;      // "frmMain", "frmSet", "frmFileShell", "frmAbout", "frmShiftSet", "frmInfo"
    const char* name;      // "XPButton1" ...
    int style;
    const char* caption;   // UTF-8; " " for a button that shows only its icon
    const char* iconFile;  // file name in the program's res folder; empty for none
    bool enabled;          // the stored value; the main window enables its buttons at start-up
    const char* fontFamily;
    double fontPoints;
};

const std::vector<ButtonData>& buttonDataTable();
// Nullptr when the window has no such button.
const ButtonData* findButtonData(const QString& form, const QString& name);
std::vector<const ButtonData*> buttonsOfForm(const QString& form);

// The property store of one button as its window keeps it (lower-case keys);
// the icon is the file `iconFile` in `resDir`, which may be missing.
PropertyBag storedButtonProperties(const ButtonData& data, const QString& resDir);

} // namespace melodune

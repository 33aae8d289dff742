#pragma once
// Qt's own file dialog, which stands in where the desktop offers none of its
// own, made to read well in Chinese: the file list's size, type and date
// columns in Chinese whatever the system's locale, and columns as wide as
// what they show, in a dialog that opens wide enough for them.
class QFileDialog;

namespace rt {

// Call before the dialog is shown. A dialog the desktop draws itself is left
// as it is.
void dressFileDialog(QFileDialog& dialog);

} // namespace rt

#pragma once
namespace rt {
// Maps the font names the program's windows and lyrics ask for ("宋体",
// "黑体", ...) to the installed Simplified Chinese fonts, so Qt's fallback does
// not pick Japanese glyph forms.
void installFontSubstitutions();
// Gives the application font (menus, message boxes, tooltips, dialogs) the
// Simplified Chinese face as its fallback for Chinese text. Needs the
// application object.
void installChineseFallbackFont();
} // namespace rt

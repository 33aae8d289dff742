#pragma once
namespace rt {
// Maps the Windows font names the program asks for ("宋体", "黑体", ...) to the
// installed CJK fonts, so Qt's fallback does not pick Japanese glyph forms.
void installFontSubstitutions();
} // namespace rt

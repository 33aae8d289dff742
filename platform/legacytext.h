#pragma once
// The list, settings and lyric files are 8-bit text in code page 936.
// Reading accepts that and UTF-8; writing always uses GB18030, which equals
// code page 936 for every character it has and can encode any path.
#include <QByteArray>
#include <QString>

namespace rt {

// A UTF-8 byte-order mark, or valid UTF-8 holding non-ASCII bytes, is read as
// UTF-8 (the mark dropped); anything else as code page 936 (decoded as its
// superset GB18030, plus 0x80 as the euro sign). Invalid bytes become U+FFFD.
QString decodeLegacy(const QByteArray& bytes);

// GB18030 bytes of the text (the euro sign as code page 936's 0x80). Only a
// lone surrogate, which no encoding has, becomes "?".
QByteArray encodeLegacy(const QString& text);

// Reads a whole file and decodes it. False when it cannot be read.
bool readLegacyFile(const QString& path, QString* text);

} // namespace rt

#pragma once
// The list, settings and lyric files are 8-bit text in code page 936.
// Reading accepts that and UTF-8; writing always uses GB18030, which equals
// code page 936 for every character it has and can encode any path.
#include <QByteArray>
#include <QString>

namespace rt {

// How bytes that are valid in both encodings are read.
enum class DecodeRule {
    // The program's own lists and settings. A UTF-8 byte-order
    // mark means UTF-8 (the mark dropped); ASCII is read as it is. Valid
    // UTF-8 means UTF-8 only when it holds a 3-byte sequence (any CJK
    // character or Chinese punctuation mark) or a 4-byte one in plane 1
    // (emoji), and no C1 control character (U+0080..U+009F), which real text
    // never has. Anything else is code page 936, including valid UTF-8 of
    // 2-byte sequences only ("Café" saved as UTF-8): a fifth of the common
    // Chinese characters are such a sequence in GB18030 (一 is D2 BB). Two
    // GB18030 characters taken as one 4-byte sequence land in plane 2 or
    // above, hence the plane 1 limit. A few short texts of rare characters
    // can still pass for UTF-8.
    CodePage936,
    // .m3u lists and lyric files, which come from other programs too and are
    // often UTF-8: the mark or any valid UTF-8 means UTF-8, anything else
    // code page 936. A lyric of several Chinese lines in code page 936 is
    // practically never valid UTF-8 throughout.
    Utf8First,
};

enum class LegacyEncoding { Ascii, Utf8, CodePage936 };

// The encoding the rule reads these bytes in.
LegacyEncoding detectLegacyEncoding(const QByteArray& bytes, DecodeRule rule = DecodeRule::CodePage936);

// The text by the rule. Code page 936 is decoded as its superset GB18030,
// plus 0x80 as the euro sign. Invalid bytes become U+FFFD.
QString decodeLegacy(const QByteArray& bytes, DecodeRule rule = DecodeRule::CodePage936);

// GB18030 bytes of the text (the euro sign as code page 936's 0x80). Only a
// lone surrogate, which no encoding has, and the few private-use characters
// the system's GB18030 tables leave out become "?".
QByteArray encodeLegacy(const QString& text);

// Reads a whole file and decodes it by the rule. False when it cannot be read.
bool readLegacyFile(const QString& path, QString* text, DecodeRule rule = DecodeRule::CodePage936);

} // namespace rt

#pragma once
// The list, settings and lyric files are 8-bit text in code page 936.
// Reading accepts that and UTF-8; writing always uses GB18030, which equals
// code page 936 for every character it has and can encode any path.
#include "platform/regularfile.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace rt {

enum class LegacyEncoding { Ascii, Utf8, CodePage936 };

// One reading rule for every file the program reads (lists, settings,
// lyrics, stored service replies): a UTF-8 byte-order mark means UTF-8 (the
// mark dropped; decodeLegacy also reads a UTF-16 mark, LE or BE, as UTF-16);
// ASCII is read as it is; bytes that are not well-formed UTF-8
// are code page 936. Bytes valid in both encodings are read in the likelier
// of the two (textImplausibility), code page 936 in doubt: GB18030 bytes of
// Chinese text are valid UTF-8 by chance far too often to call valid UTF-8
// UTF-8 ("雲圖" is EB 85 88 44, "녈D" in UTF-8).

// What the bytes alone settle; none when they are valid in both encodings.
std::optional<LegacyEncoding> settledLegacyEncoding(const QByteArray& bytes);

// How unlikely a text is as something this program's users write, in bits
// (lower is likelier): common Chinese characters and ASCII are cheap; rare
// characters cost more; characters no text has (private use, unassigned,
// replacement, C1 controls) and letters of other scripts stranded next to
// Chinese or each other ("Сѩ", "녈D") cost most; Latin letters and signs in
// ASCII words ("Café", "2ª", "non è vero") are cheap. Only comparisons
// between two readings of the same bytes mean anything.
double textImplausibility(QStringView text);

// The encoding the bytes are read in by the rule above.
LegacyEncoding detectLegacyEncoding(const QByteArray& bytes);

// The bytes in the given encoding. Code page 936 is decoded as its superset
// GB18030, plus 0x80 as the euro sign; a UTF-8 byte-order mark is dropped.
// Invalid bytes become U+FFFD.
QString decodeAs(const QByteArray& bytes, LegacyEncoding encoding);

// Whether every byte is part of a character of the encoding (code page 936:
// GB18030, plus 0x80).
bool wellFormedAs(const QByteArray& bytes, LegacyEncoding encoding);
// Decodes as decodeAs does and tells wellFormedAs in one pass.
QString decodeAs(const QByteArray& bytes, LegacyEncoding encoding, bool* wellFormed);

// The text by the rule. A UTF-16 byte-order mark (FF FE or FE FF, which
// neither GB18030 nor UTF-8 text can begin with) names UTF-16 of that byte
// order; the lists, read line by line as bytes, do not take that form.
QString decodeLegacy(const QByteArray& bytes);

// A file's bytes for a text the program writes where the user's own text
// is kept (the lyric editor): GB18030 as encodeLegacy writes it when those
// bytes read back as the same text by the rule, otherwise UTF-8 with a
// byte-order mark, so that no character is lost.
QByteArray encodeLegacyLossless(const QString& text);

// GB18030 bytes of the text (the euro sign as code page 936's 0x80). Only a
// lone surrogate, which no encoding has, and the few private-use characters
// the system's GB18030 tables leave out become "?".
QByteArray encodeLegacy(const QString& text);

// Beyond this a text file of the program's is no text it wrote.
inline constexpr qint64 kMaxTextFileBytes = qint64(16) << 20;

// Reads a whole regular file of at most `maxBytes`. False when it cannot be
// read: missing, no regular file (a FIFO, a device), longer, or a read error;
// `error` (may be null) says which.
bool readFileBytes(const QString& path, QByteArray* bytes, qint64 maxBytes = kMaxTextFileBytes,
                   FileReadError* error = nullptr);

// Reads a whole file as readFileBytes does and decodes it by the rule.
bool readLegacyFile(const QString& path, QString* text, qint64 maxBytes = kMaxTextFileBytes,
                    FileReadError* error = nullptr);

} // namespace rt

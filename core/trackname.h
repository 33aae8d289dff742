#pragma once
// The name under which a track's own files (lyrics in LRCS, picture in PICS)
// are stored: its full path or address made into one file name.
#include <QString>

namespace melodune {

// The path with "\" and "/" turned into "_" and ":" into "-", cut to its last
// 150 characters. A cut never splits a character made of two UTF-16 units.
QString mangledTrackBaseName(const QString& path);

// The stored file name for a track: the base name above followed by `ext`
// (".lrc", ".pic"), cut further from the front until the whole name fits the
// file system's 255-byte limit in UTF-8. Lyric and picture files use this
// one rule, so both find the same track.
QString mangledTrackName(const QString& path, const QString& ext);

// The name of a picture copied into bkground: the stamp (yyMMddHHmmss), "_",
// then the last 200 characters of the chosen file's name, cut further from
// the front until the whole name fits 255 bytes in UTF-8.
QString backgroundCopyName(const QString& stamp, const QString& chosenFileName);

} // namespace melodune

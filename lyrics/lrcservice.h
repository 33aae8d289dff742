#pragma once
// The requests of the lyrics web service: its fixed host, the three request
// addresses with their keys in the service's order, and the escaping of the
// values. The service reads the values in code page 936.
#include <QByteArray>
#include <QString>
#include <QUrl>

namespace melodune {

// The service's base address (scheme, host, optional port; no trailing "/").
// Fixed in the program; MELODUNE_LRC_HOST replaces it (tests).
constexpr const char* DefaultLrcServiceHost = "http://lrc.melodune.net";
QString lrcServiceHost();

// A query value for the lyrics service: its code page 936 bytes, every one
// outside A-Z a-z 0-9 - _ . ~ as %XX (upper-case hex). Escaping everything
// else keeps "&", "#", "=", "+" in a value from cutting it short.
QByteArray lrcQueryValue(const QString& value);

// Cuts leading and trailing blanks (U+0020) only; tabs and line ends stay.
QString trimBlanks(const QString& s);

// The program's version as the service wants it: "major.minor.revision".
QString lrcVersionText(int major, int minor, int revision);

// The `FileName` value: the name after the path's last "/" (or the whole text
// without one), with ".未知" added for a file without extension, then without
// its last "." and what follows; blanks trimmed.
QString lrcFileNameValue(const QString& currentFile, const QString& currentExt);
// The `Filetype` value: "/" -> "／", "\" -> "＼" (the caller stores it back as
// the track's extension), blanks trimmed.
QString lrcFiletypeExt(const QString& currentExt);

// What the requests say about the client and the track.
struct LrcClientInfo {
    QString version;      // BanBen
    QString computerName; // PcName, sent as it is
};
struct LrcTrackInfo {
    QString file;  // CurrentFile: full path or address
    QString title; // CurrentTitle
    QString ext;   // CurrentExt: lower-case extension, "未知" when none
};

enum class LrcRequestKind { Exact, Fuzzy, Candidate };

// The full encoded address. Exact: index.asp; fuzzy and candidate:
// index2.asp. Keys in order: BanBen, PcName, then MediaName, FileName,
// Filetype (exact and fuzzy) or dz (candidate: `serverFile`).
QByteArray lrcRequestAddress(LrcRequestKind kind, const LrcClientInfo& client, const LrcTrackInfo& track,
                             const QString& serverFile = {});
QUrl lrcRequestUrl(LrcRequestKind kind, const LrcClientInfo& client, const LrcTrackInfo& track,
                   const QString& serverFile = {});

// DataDir/TEMP/$.lrc: where every reply lands.
QString lrcReplyPath(const QString& dataDir);
// DataDir/LRCS/<mangled track name>.lrc: the track's own lyric file.
QString trackLyricPath(const QString& dataDir, const QString& currentFile);

} // namespace melodune

#pragma once
// What the lyrics service sends back: a status line, a list of candidate
// lyrics, or the lyrics themselves; the candidate entries of the list box and
// the automatic choice among them; the "nothing found" placeholder file.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace melodune {

enum class LrcReplyKind {
    Empty,        // nothing to read
    Forbidden,    // "|禁止|" + message: the service refuses this client
    Notice,       // "|提示|" + message
    NothingFound, // "|无任何|": fuzzy search found nothing
    NoTitle,      // "|没有歌名|"
    NoLyrics,     // "|没有歌词|": exact search found nothing
    Candidates,   // "|歌词选择|" + records
    Lyrics,       // anything else: the whole reply is the LRC text
};

struct LyricCandidate {
    QString title, singer, album;
    QString serverFile; // the service's name of the lyric file
    bool operator==(const LyricCandidate&) const = default;
};

struct LrcReply {
    LrcReplyKind kind = LrcReplyKind::Empty;
    QString message;                       // Forbidden, Notice: the rest of the first line
    std::vector<LyricCandidate> candidates; // Candidates: complete records in reply order
    QString text;                          // Lyrics: the decoded reply
};

// Decodes (code page 936) and classifies a reply; the first line decides,
// compared exactly (a trailing blank makes a status line lyrics).
LrcReply parseLrcReply(const QByteArray& bytes);

// The most of a "|禁止|" or "|提示|" message the program shows, in characters.
inline constexpr qsizetype kMaxServiceMessage = 300;
// A service message as the lyric box and the box show it: without directional
// controls, cut to kMaxServiceMessage with "…".
QString shownServiceMessage(const QString& message);

// A list entry as the list shows it: without directional controls, which a
// title could use to turn the rest of the entry around. The entry itself
// keeps them: its server file name goes back to the service as it came.
QString candidateShownText(const QString& entry);

// The 20-character text between album and file name of a list entry.
QString candidateMarker();
// "【title】- 演唱〖singer〗- 专辑《album》" marker file.
QString candidateEntryText(const LyricCandidate& c);
// The text after the entry's first marker; empty without one.
QString candidateServerFile(const QString& entry);
// The text after "演唱〖" up to the next "〗".
QString candidateSinger(const QString& entry);
// The tool-tip of the list while the mouse is over it with `entry` selected.
QString candidateToolTip(const QString& entry);

// Lower case, without "-" and blanks: how singers are compared.
QString singerKey(const QString& s);
// The automatic choice: the first entry whose singer matches the media's
// author or occurs in the track's path; entry 0 when none does. -1 for an
// empty list.
int autoChooseCandidate(const QStringList& entries, const QString& author, const QString& currentFile);

// The placeholder lyric file written when the service found nothing: "[0:0]"
// note CR LF "［未找到歌词。" CR LF "  如果想使用歌词，请重新查找或编辑修改］" CR LF,
// code page 936. The note is the title, else the path, else a fixed text,
// with square brackets made full-width.
QByteArray nothingFoundStub(const QString& currentTitle, const QString& currentFile);

} // namespace melodune

#pragma once
// The lyric text box as data: text, per-character colour/size/bold, the
// selection, box colour and font, and the scroll position. Handlers work on
// this model; RichTextView only shows it, so the lyric logic runs without a
// window.
//
// Positions: selection and range positions are 0-based offsets into text()
// (the box's SelStart). The *1 helpers (find1, findLast1, slice1) count from
// 1, as the lyric handlers' positions do. A CR LF pair is two characters.
//
// Lines: a line ends at CR LF, a lone CR or a lone LF (so CR CR LF ends two
// lines). Line numbers are 0-based.
#include "platform/units.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace melodune {

// The system button-face colour, packed as a system colour: the high bit
// set, the colour index in the low byte. The view resolves it from the
// palette.
constexpr rt::PackedColor ButtonFaceColor = rt::PackedColor(0x8000000Fu);
inline bool isSystemColor(rt::PackedColor c) { return (std::uint32_t(c) & 0x80000000u) != 0; }

// One per character of the box: kept small, a long text has a million.
struct CharFormat {
    rt::PackedColor color = 0;
    std::int16_t size = 9; // points
    bool bold = false;
    bool operator==(const CharFormat&) const = default;
};

class RichTextModel : public QObject {
    Q_OBJECT
public:
    explicit RichTextModel(QObject* parent = nullptr);

    // --- Text
    const QString& text() const { return text_; }
    int length() const { return int(text_.size()); }
    // Replaces the whole text. The new text takes the format of the old
    // text's first character (the insertion format when it was empty); the
    // caret goes to 0 and the box scrolls to the top.
    void setText(const QString& text);

    // 1-based, case-sensitive search forwards and backwards and 1-based
    // substring. Results are 1-based positions, 0 when not found.
    int find1(int start1, QStringView needle) const;
    // Last occurrence lying wholly within positions 1..start1 (start1 = -1:
    // the whole text).
    int findLast1(QStringView needle, int start1 = -1) const;
    QString slice1(int start1, int length = -1) const;
    // 0-based forms; -1 when not found.
    int indexOf(QStringView needle, int from0 = 0) const;
    int lastIndexOf(QStringView needle, int from0 = -1) const;

    // --- Selection (0-based)
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    // Clamped to the text; clears the selection length. Scrolls the caret
    // into view when the view has reported its height.
    void setSelStart(int start0);
    // Clamped to the text after selStart.
    void setSelLength(int length);
    void select(int start0, int length);
    void selectAll();
    QString selText() const;
    // Replaces the selection; the new text takes the format of the first
    // selected character (of the character before the caret when nothing is
    // selected). The caret ends after it.
    void setSelText(const QString& text);

    // Empty when the selection mixes values. With nothing selected the getters
    // give the format new text would take there, and the setters set the
    // format that text gets while the box is empty.
    std::optional<rt::PackedColor> selColor() const;
    std::optional<bool> selBold() const;
    std::optional<int> selFontSize() const;
    void setSelColor(rt::PackedColor color);
    void setSelBold(bool bold);
    void setSelFontSize(int points);

    // --- Direct range formatting (0-based, clamped); cheap on long texts.
    void setColor(int start0, int length, rt::PackedColor color);
    void setBold(int start0, int length, bool bold);
    void setFontSize(int start0, int length, int points);
    CharFormat formatAt(int pos0) const;
    // Calls f(start0, length, format) for each stretch of equal format that
    // overlaps [start0, start0 + length).
    void forEachRun(int start0, int length,
                    const std::function<void(int, int, const CharFormat&)>& f) const;

    // --- Box properties
    rt::PackedColor backColor() const { return backColor_; }
    void setBackColor(rt::PackedColor c);
    QString fontName() const { return fontName_; }
    void setFontName(const QString& name);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);
    bool isVisible() const { return visible_; }
    void setVisible(bool on);

    // --- Lines
    int lineCount() const { return int(lineStarts_.size()); }
    // The line holding position pos0 (a line break belongs to the line it ends).
    int lineFromChar(int pos0) const;
    // Position of the first character of a line; -1 when there is no such line.
    int lineStart(int line) const;
    // Characters of a line without its break.
    int lineLength(int line) const;
    QString lineText(int line) const;

    // --- Scrolling
    int firstVisibleLine() const { return firstVisible_; }
    // Clamped to 0 .. lineCount - visibleLineCount (at least 0); with no
    // known height the last line may reach the top.
    void setFirstVisibleLine(int line);
    // EM_LINESCROLL: n lines down (negative: up), clamped.
    void lineScroll(int n);
    // Set by the view: how many lines fit; 0 = unknown (no caret scrolling).
    int visibleLineCount() const { return visibleLines_; }
    void setVisibleLineCount(int lines);

signals:
    // The characters changed (the formats of all of them may have too).
    void textChanged();
    // Formats changed in [start0, start0 + length).
    void formatChanged(int start0, int length);
    // Back colour, font name, enabled or visible changed.
    void boxChanged();
    void selectionChanged();
    void scrolled(int firstVisibleLine);

private:
    struct Range { int start, end; };
    Range clampRange(int start0, int length) const;
    template <class Apply> void applyRange(int start0, int length, Apply apply);
    template <class Get> auto uniform(Get get) const -> std::optional<decltype(get(CharFormat{}))>;
    CharFormat insertionFormat() const;
    void rebuildLines();
    int maxFirstVisible() const;
    void ensureCaretVisible();

    QString text_;
    std::vector<CharFormat> formats_; // one per character
    std::vector<int> lineStarts_{0};
    CharFormat insertFormat_;
    int selStart_ = 0;
    int selLength_ = 0;
    rt::PackedColor backColor_ = rt::rgb(255, 255, 255);
    QString fontName_ = QStringLiteral("宋体");
    bool enabled_ = true;
    bool visible_ = true;
    int firstVisible_ = 0;
    int visibleLines_ = 0;
};

} // namespace melodune

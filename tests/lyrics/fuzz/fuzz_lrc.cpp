// Feeds arbitrary lyric file bytes through the legacy decoder, normalisation,
// the three passes and the box styling, and checks what the rest of the
// program relies on.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "platform/convert.h"
#include "platform/legacytext.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace melodune;

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Each "]" with the last "[" before it, from the end, as the sort pass cuts.
int countPairs(const QString& s, bool requireNumbers)
{
    int n = 0;
    qsizetype c = s.size() - 1;
    while (c >= 0) {
        const qsizetype d = s.lastIndexOf(u']', c);
        if (d < 0)
            break;
        const qsizetype e = d > 0 ? s.lastIndexOf(u'[', d - 1) : -1;
        if (e < 0)
            break;
        if (requireNumbers)
            check(rt::toDouble(s.mid(e + 1, d - e - 1)).has_value(), "tag is a number");
        ++n;
        c = d - 1;
    }
    return n;
}

// What the readers rely on: the text is well-formed UTF-16, only well-formed
// UTF-8 is taken as UTF-8, and whatever is read is written back so that it
// reads the same, unless the written bytes happen to read better as UTF-8
// or hold characters GB18030 lacks (written as "?").
QString checkDecoding(const QByteArray& bytes)
{
    const QString text = rt::decodeLegacy(bytes);
    check(QStringView(text).isValidUtf16(), "decoded text is valid UTF-16");

    const rt::LegacyEncoding enc = rt::detectLegacyEncoding(bytes);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    check((enc == rt::LegacyEncoding::Ascii) == (ascii && !bytes.startsWith("\xEF\xBB\xBF")), "ASCII detected");
    if (enc == rt::LegacyEncoding::Utf8 && !bytes.startsWith("\xEF\xBB\xBF"))
        check(QString::fromUtf8(bytes).toUtf8() == bytes, "only well-formed UTF-8 is taken as UTF-8");

    const QByteArray written = rt::encodeLegacy(text);
    if (written.count('?') == text.count(u'?') && rt::detectLegacyEncoding(written) != rt::LegacyEncoding::Utf8)
        check(rt::decodeLegacy(written) == text, "written text reads back the same");
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString file = checkDecoding(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString normalised = normaliseLyricText(file);

    const LrcTagPassResult tags = parseLrcTags(normalised);
    check(countPairs(tags.text, true) == tags.tagCount, "tag count invariant");

    const LrcParseResult r = parseLrc(normalised);
    check(r.parsed == (r.tagCount > 0), "parsed exactly when tags were found");
    if (!r.parsed)
        check(r.text == normalised, "unparsed text shown as read");

    RichTextModel box;
    LyricState state;
    applyLrcResult(r, box, state);
    check(box.text() == r.text, "box holds the result");
    styleLyricBox(box, {rt::rgb(0, 0, 128), 0, rt::rgb(150, 150, 255), QStringLiteral("x"), 10, true});
    box.lineScroll(3);
    check(box.firstVisibleLine() >= 0 && box.firstVisibleLine() < box.lineCount(), "scroll clamped");
    return 0;
}

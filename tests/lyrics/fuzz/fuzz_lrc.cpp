// Feeds arbitrary lyric files through normalisation, the three passes and
// the box styling, and checks what the rest of the program relies on.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "platform/convert.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString file = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
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

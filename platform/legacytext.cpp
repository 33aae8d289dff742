#include "platform/legacytext.h"

#include "platform/log.h"

#include <QFile>
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <cerrno>
#include <iconv.h>

namespace rt {

namespace {

constexpr char16_t Replacement = 0xFFFD;
constexpr char16_t Euro = 0x20AC;

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (!ok())
            qCWarning(lcPlatform) << "the system cannot convert" << from << "to" << to;
    }
    ~Iconv()
    {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

struct Utf8Scan {
    bool ascii = true; // no byte of 0x80 or above
    bool valid = true; // well-formed UTF-8 throughout
};

// One pass over the bytes by the well-formed UTF-8 table (no overlong forms,
// no surrogates, nothing above U+10FFFF).
Utf8Scan scanUtf8(const QByteArray& bytes)
{
    Utf8Scan s;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        s.ascii = false;
        qsizetype len = 0;
        unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        }
        bool ok = len > 0 && n - i >= len && p[i + 1] >= lo && p[i + 1] <= hi;
        for (qsizetype k = 2; ok && k < len; ++k)
            ok = (p[i + k] & 0xC0) == 0x80;
        if (!ok) {
            s.valid = false;
            return s; // ASCII-ness is settled too
        }
        i += len;
    }
    return s;
}

bool hasUtf8Mark(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

// GB18030 to UTF-16. An invalid byte becomes U+FFFD and decoding goes on
// with the next byte; a truncated sequence at the end becomes U+FFFD. Those
// are counted in `invalid` when given.
QString decodeGb18030(const QByteArray& bytes, qsizetype* invalid = nullptr)
{
    Iconv cd("UTF-16LE", "GB18030");
    if (!cd.ok())
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd.get(), &in, &inLeft, &o, &oLeft);
        const int err = errno; // append may change errno
        out.append(reinterpret_cast<const QChar*>(buf), qsizetype((o - buf) / 2));
        if (r != size_t(-1) || err == E2BIG)
            continue;
        // Code page 936 has the euro sign at 0x80, which GB18030 leaves out.
        const bool euro = static_cast<unsigned char>(*in) == 0x80;
        out.append(euro ? QChar(Euro) : QChar(Replacement));
        if (invalid && !euro)
            ++*invalid;
        if (err == EINVAL)
            break; // incomplete sequence at the end of the text
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

// ---- How plausible a reading is ----------------------------------------------

// The characters of GB2312 level 1 (the 3,755 common ones) and level 2, by
// decoding their rows once.
struct HanLevels {
    std::vector<bool> common = std::vector<bool>(0x10000);
    std::vector<bool> level2 = std::vector<bool>(0x10000);
    HanLevels()
    {
        mark(common, 0xB0, 0xD7);
        mark(level2, 0xD8, 0xF7);
    }
    static void mark(std::vector<bool>& set, int firstRow, int lastRow)
    {
        QByteArray rows;
        for (int lead = firstRow; lead <= lastRow; ++lead)
            for (int trail = 0xA1; trail <= 0xFE; ++trail)
                rows += char(lead), rows += char(trail);
        for (const QChar c : decodeGb18030(rows))
            if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
                set[c.unicode()] = true;
    }
};

const HanLevels& hanLevels()
{
    static const HanLevels levels;
    return levels;
}

// Letters are grouped by script; a word mixing groups is unlikely except
// for Chinese with ASCII letters ("我的CD").
enum class Group : std::uint8_t { None, Ascii, Latin, Cjk, Hangul, Greek, Cyrillic, Other };

struct CharInfo {
    double bits = 0;
    Group group = Group::None;
    bool vowel = false;
    bool upper = false;
    bool cjk = false;        // Chinese character, kana or Chinese punctuation
    bool rareAscii = false;  // an ASCII sign that is also a GB18030 trail byte
    QChar::Script script = QChar::Script_Unknown;
};

// Bit costs: roughly -log2 of how often such a character turns up in the
// lists and lyrics of this program's users.
constexpr double kAscii = 4;
constexpr double kCommonHan = 11;
constexpr double kLevel2Han = 15;
constexpr double kOtherHan = 16;
constexpr double kCjkPunctuation = 8;
constexpr double kRareAscii = 8;    // @ \\ ^ _ ` { | } ~
constexpr double kLetter = 9;       // Latin-1, Greek or Cyrillic letter
constexpr double kRareLetter = 12;  // Hangul, rarer Latin
constexpr double kKana = 10;
constexpr double kOtherScript = 16; // letters of scripts this program's users seldom write
constexpr double kSymbol = 14;
constexpr double kLatin1Symbol = 16;
constexpr double kScriptSymbol = 24;
constexpr double kRareAsciiByCjk = 16;   // "、@"
constexpr double kUnpairedBracket = 16;  // a GB18030 trail byte read as "[" or "]"
constexpr double kDoubt = 4;             // what UTF-8 must be likelier by
constexpr double kAccentInAsciiWord = -6; // "Café"
constexpr double kWesternQuote = 6;       // « » ¡ ¿
constexpr double kHanInsideAsciiWord = 12; // "Ma帽ana", GB18030 "Mañana"
constexpr double kNever = 40;       // no text has it
constexpr double kMixedScripts = 25;
constexpr double kLoneAsciiLetterByHan = 16;
constexpr double kWordWithoutVowel = 20;
constexpr double kCaseInsideWord = 15;
constexpr double kOneLetterWord = 14;
constexpr double kAccentsOnly = 10;

bool oneOf(std::u32string_view set, char32_t c)
{
    return set.find(c) != std::u32string_view::npos;
}

// Letters that make a word of their own in Western languages ("è", "é",
// "à", "ó", "å").
constexpr std::u32string_view kOneLetterWords = U"àáèéìíòóùúåäöÀÁÈÉÌÍÒÓÙÚÅÄÖ";
// Signs that Western texts use among their words ("© 2007", "25°C", "m²").
constexpr std::u32string_view kWesternSigns = U"©®°±µ²³";

bool isAsciiAlnum(QChar c)
{
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

bool isAsciiWordChar(QChar c)
{
    return c.unicode() > 0x20 && c.unicode() < 0x7F;
}

// A Latin-1 character at i among ASCII words: an ordinal or a sign after its
// number or word ("2ª", "Nº", "25°C", "m²") or before a number ("±5",
// "© 2007"), a letter of an elided word ("c'è"), or a word of one letter
// with ASCII words beside it, blank-separated ("non è vero", "aberto é:",
// "È vero").
struct LatinAmongAscii {
    bool cheapSign = false;
    bool elided = false;
    bool loneLetter = false;
};

LatinAmongAscii latinAmongAscii(QStringView text, qsizetype i, char32_t c)
{
    const qsizetype n = text.size();
    auto at = [&](qsizetype k) { return k >= 0 && k < n ? text.at(k) : QChar(u'\n'); };
    auto isDigit = [](QChar ch) { return ch >= u'0' && ch <= u'9'; };
    auto isEdge = [](QChar ch) { return ch == u'\r' || ch == u'\n'; };
    const bool alnumBefore = isAsciiAlnum(at(i - 1));
    const bool numberAfter = isDigit(at(i + 1)) || (at(i + 1) == u' ' && isDigit(at(i + 2)));
    const bool wordBefore = at(i - 1) == u' ' && isAsciiWordChar(at(i - 2));
    const bool wordAfter = at(i + 1) == u' ' && isAsciiWordChar(at(i + 2));
    const bool lineStart = isEdge(at(i - 1)) || at(i - 1) == u']' ||
                           (at(i - 1) == u'(' && (isEdge(at(i - 2)) || at(i - 2) == u' '));
    const bool lineEnd = isEdge(at(i + 1)) ||
                         (QStringView(u",.:;!?)").contains(at(i + 1)) && (isEdge(at(i + 2)) || at(i + 2) == u' '));
    // A capital stands alone only where a sentence begins.
    const bool sentenceStart = lineStart || (wordBefore && QStringView(u".!?:").contains(at(i - 2)));

    LatinAmongAscii r;
    const bool sign = oneOf(kWesternSigns, c);
    r.cheapSign = ((c == 0xAA || c == 0xBA || sign) && alnumBefore) || (sign && numberAfter);
    r.elided = at(i - 1) == u'\'' && isAsciiAlnum(at(i - 2));
    r.loneLetter = oneOf(kOneLetterWords, c) && (wordBefore || wordAfter) && (wordBefore || lineStart) &&
                   (wordAfter || lineEnd) && (!QChar::isUpper(c) || sentenceStart);
    return r;
}

bool isCyrillicVowel(char32_t c)
{
    return oneOf(U"аеёиоуыэюяєіїАЕЁИОУЫЭЮЯЄІЇ", c);
}

bool isGreekVowel(char32_t c)
{
    return oneOf(U"αεηιουωάέήίόύώϊϋΐΰΑΕΗΙΟΥΩΆΈΉΊΌΎΏΪΫ", c);
}

CharInfo classify(char32_t c, Group previous)
{
    CharInfo info;
    if (c < 0x80) {
        const bool printable = (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n';
        info.rareAscii = QByteArrayView("@\\^_`{|}~").contains(char(c));
        info.bits = !printable ? 20 : info.rareAscii ? kRareAscii : kAscii;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            info.group = Group::Ascii;
            info.upper = c <= 'Z';
        }
        return info;
    }
    const QChar::Category cat = QChar::category(c);
    if (c == 0xFFFD || QChar::isNonCharacter(c) || cat == QChar::Other_PrivateUse ||
        cat == QChar::Other_NotAssigned || cat == QChar::Other_Control || cat == QChar::Other_Surrogate) {
        info.bits = kNever;
        return info;
    }
    if (c >= 0x4E00 && c <= 0x9FFF) {
        const HanLevels& h = hanLevels();
        info.bits = h.common[c] ? kCommonHan : h.level2[c] ? kLevel2Han : kOtherHan;
        info.group = Group::Cjk;
        info.cjk = true;
        return info;
    }
    if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E) || (c >= 0x2014 && c <= 0x2016) ||
        (c >= 0x2018 && c <= 0x201F) || c == 0x2025 || c == 0x2026 || c == 0x00B7 || c == 0x2030 || c == 0x203B) {
        info.bits = kCjkPunctuation;
        info.cjk = c >= 0x3000;
        return info;
    }
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF)) {
        info.bits = kKana;
        info.group = Group::Cjk;
        info.cjk = true;
        return info;
    }
    info.script = QChar::script(c);
    if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining || cat == QChar::Mark_Enclosing) {
        // Accents written apart from their letter follow a Latin letter.
        info.bits = (previous == Group::Ascii || previous == Group::Latin) ? kRareLetter : 30;
        info.group = previous;
        return info;
    }
    if (cat == QChar::Other_Format) {
        info.bits = 30;
        return info;
    }
    if (!QChar::isLetter(c) || c == 0xAA || c == 0xBA) {
        info.cjk = c > 0xFF; // a lone ASCII letter glued to it is as odd as to Chinese
        // Western quotes are common; the rest of Latin-1's signs are what
        // GB18030 characters of row C2 read as UTF-8 give.
        if (c == 0xAB || c == 0xBB || c == 0xA1 || c == 0xBF)
            info.bits = kWesternQuote;
        else if (c == 0xA0 || c == 0xD7)
            info.bits = kLetter; // French puts it before ":" and inside « »; "3×5"
        else if (c <= 0xBF)
            info.bits = kLatin1Symbol;
        else if (c < 0x2010 || c >= 0x2E00)
            info.bits = kScriptSymbol; // signs of other scripts, typographic spaces
        else
            info.bits = kSymbol; // punctuation, arrows, maths, shapes, music signs
        return info;
    }
    info.upper = QChar::isUpper(c);
    switch (info.script) {
    case QChar::Script_Han:
        info.bits = c >= 0x10000 ? 18 : kOtherHan;
        info.group = Group::Cjk;
        info.cjk = true;
        break;
    case QChar::Script_Hangul:
        info.bits = (c >= 0xAC00 && c <= 0xD7A3) ? kRareLetter : 20;
        info.group = Group::Hangul;
        break;
    case QChar::Script_Latin:
        // Latin-1 and Extended-A letters of Western and Central European
        // languages, Vietnamese, pinyin tone letters, Romanian commas, the
        // schwa; the rest of Extended-B and the phonetic letters are rare.
        if (c <= 0x017F)
            info.bits = kLetter;
        else if ((c >= 0x1E00 && c <= 0x1EFF) || (c >= 0x01CD && c <= 0x01DC) || (c >= 0x0218 && c <= 0x021B) ||
                 (c >= 0x01A0 && c <= 0x01B0) || c == 0x018F || c == 0x0259)
            info.bits = kLetter + 2;
        else
            info.bits = kScriptSymbol;
        info.group = Group::Latin;
        break;
    case QChar::Script_Greek:
        info.bits = (c >= 0x0386 && c <= 0x03CE) ? kLetter : kScriptSymbol;
        info.group = Group::Greek;
        info.vowel = isGreekVowel(c);
        break;
    case QChar::Script_Cyrillic:
        // The letters of today's languages; the rest are old or rare.
        info.bits = c == 0x0400 || c == 0x040D ? kRareLetter
                    : c <= 0x045F                  ? kLetter
                    : c == 0x0490 || c == 0x0491   ? kRareLetter
                    : c >= 0x0492 && c <= 0x04FF   ? kOtherScript
                                                   : 30;
        info.group = Group::Cyrillic;
        info.vowel = isCyrillicVowel(c);
        break;
    default:
        info.bits = kOtherScript;
        info.group = Group::Other;
        break;
    }
    return info;
}

bool sameWordGroup(const CharInfo& a, const CharInfo& b)
{
    auto latin = [](Group g) { return g == Group::Ascii || g == Group::Latin; };
    if (latin(a.group) && latin(b.group))
        return true;
    if (a.group != b.group)
        return false;
    return a.group != Group::Other || a.script == b.script;
}

// A run of letters of one group between non-letters.
struct Word {
    Group group = Group::None;
    int letters = 0;
    bool vowel = false;
    bool caseFlip = false; // a capital after a small letter
    bool lastUpper = false;
    bool hanBefore = false;
    bool ascii = false; // holds an ASCII letter
    bool amongAsciiWords = false; // one letter between ASCII words ("non è vero")
    char32_t first = 0;
};

double wordCost(const Word& w, bool hanAfter)
{
    double bits = 0;
    switch (w.group) {
    case Group::Greek:
    case Group::Cyrillic:
        if (w.letters >= 2 && !w.vowel)
            bits += kWordWithoutVowel;
        if (w.caseFlip)
            bits += kCaseInsideWord;
        if (w.letters == 1)
            bits += kOneLetterWord;
        break;
    case Group::Latin:
        if (w.caseFlip)
            bits += kCaseInsideWord;
        if (w.letters >= 2 && !w.ascii)
            bits += kAccentsOnly; // "ÀÀ": accented letters alone hardly make a word
        if (w.letters == 1 && !w.amongAsciiWords && w.first != U'à' && w.first != U'é' && w.first != U'è')
            bits += kOneLetterWord; // "à" and "è" are words, "Ā" hardly
        break;
    case Group::Hangul:
    case Group::Other:
        if (w.letters == 1)
            bits += kOneLetterWord;
        break;
    case Group::Ascii:
        // One ASCII letter glued to Chinese: in GB18030 the trail byte of a
        // rare character ("雲圖" read as UTF-8 ends in "D").
        if (w.letters == 1 && (w.hanBefore || hanAfter))
            bits += kLoneAsciiLetterByHan;
        break;
    default:
        break;
    }
    return bits;
}

} // namespace

double textImplausibility(QStringView text)
{
    double bits = 0;
    CharInfo prev;
    Word word;
    int open = 0, unpaired = 0; // brackets on the line
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        const CharInfo info = classify(c, prev.group);
        const bool asciiLetterNext = i + 1 < n && text.at(i + 1).unicode() < 0x80 && text.at(i + 1).isLetter();
        const LatinAmongAscii latin = c >= 0x80 && c <= 0xFF ? latinAmongAscii(text, i, c) : LatinAmongAscii{};
        bits += latin.cheapSign ? kLetter + kAccentInAsciiWord : info.bits; // as cheap as an accent in a word
        if (info.group == Group::Latin && info.bits <= kLetter + 2 &&
            (prev.group == Group::Ascii || asciiLetterNext || latin.elided || latin.loneLetter))
            bits += kAccentInAsciiWord;
        if (info.group == Group::Cjk && prev.group == Group::Ascii && asciiLetterNext)
            bits += kHanInsideAsciiWord;
        if (info.rareAscii && (prev.cjk || (i + 1 < n && classify(text.at(i + 1).unicode(), info.group).cjk)))
            bits += kRareAsciiByCjk;
        switch (c) {
        case '[': ++open; break;
        case ']': open > 0 ? --open : ++unpaired; break;
        case '\n': unpaired += open; open = 0; break;
        default: break;
        }
        if (info.group != Group::None && prev.group != Group::None && !sameWordGroup(prev, info) &&
            !(prev.group == Group::Cjk && info.group == Group::Ascii) &&
            !(prev.group == Group::Ascii && info.group == Group::Cjk))
            bits += kMixedScripts;
        // Words: runs of one group; Chinese ends a word but counts as its
        // neighbour.
        if (word.group != Group::None && (info.group == Group::None || info.group == Group::Cjk ||
                                          !sameWordGroup(prev, info))) {
            bits += wordCost(word, info.cjk);
            word = Word{};
        }
        if (info.group != Group::None && info.group != Group::Cjk) {
            if (word.group == Group::None) {
                word.group = info.group;
                word.hanBefore = prev.cjk;
                word.first = c;
                word.amongAsciiWords = latin.loneLetter;
            }
            if (info.group == Group::Latin)
                word.group = Group::Latin; // accented letters make it a Latin word
            ++word.letters;
            word.ascii = word.ascii || info.group == Group::Ascii;
            word.vowel = word.vowel || info.vowel;
            word.caseFlip = word.caseFlip || (info.upper && word.letters > 1 && !word.lastUpper);
            word.lastUpper = info.upper;
        }
        prev = info;
    }
    if (word.group != Group::None)
        bits += wordCost(word, false);
    return bits + (unpaired + open) * kUnpairedBracket;
}

std::optional<LegacyEncoding> settledLegacyEncoding(const QByteArray& bytes)
{
    if (hasUtf8Mark(bytes))
        return LegacyEncoding::Utf8;
    const Utf8Scan s = scanUtf8(bytes);
    if (s.ascii)
        return LegacyEncoding::Ascii;
    if (!s.valid)
        return LegacyEncoding::CodePage936;
    return std::nullopt;
}

LegacyEncoding detectLegacyEncoding(const QByteArray& bytes)
{
    if (const auto settled = settledLegacyEncoding(bytes))
        return *settled;
    const double asUtf8 = textImplausibility(QString::fromUtf8(bytes));
    const double as936 = textImplausibility(decodeGb18030(bytes));
    return asUtf8 + kDoubt < as936 ? LegacyEncoding::Utf8 : LegacyEncoding::CodePage936;
}

QString decodeAs(const QByteArray& bytes, LegacyEncoding encoding)
{
    return decodeAs(bytes, encoding, nullptr);
}

QString decodeAs(const QByteArray& bytes, LegacyEncoding encoding, bool* wellFormed)
{
    if (wellFormed && encoding != LegacyEncoding::CodePage936)
        *wellFormed = wellFormedAs(bytes, encoding);
    switch (encoding) {
    case LegacyEncoding::Ascii:
        return QString::fromLatin1(bytes);
    case LegacyEncoding::Utf8:
        if (hasUtf8Mark(bytes))
            return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
        return QString::fromUtf8(bytes);
    case LegacyEncoding::CodePage936:
        break;
    }
    qsizetype invalid = 0;
    QString text = decodeGb18030(bytes, &invalid);
    if (wellFormed)
        *wellFormed = invalid == 0;
    return text;
}

bool wellFormedAs(const QByteArray& bytes, LegacyEncoding encoding)
{
    switch (encoding) {
    case LegacyEncoding::Ascii:
        return scanUtf8(bytes).ascii;
    case LegacyEncoding::Utf8:
        return scanUtf8(hasUtf8Mark(bytes) ? bytes.mid(3) : bytes).valid;
    case LegacyEncoding::CodePage936:
        break;
    }
    qsizetype invalid = 0;
    decodeGb18030(bytes, &invalid);
    return invalid == 0;
}

namespace {

// UTF-16 of the given byte order; a lone surrogate and an odd last byte
// become U+FFFD, as everything the readers give is well-formed.
QString decodeUtf16(QByteArrayView bytes, bool littleEndian)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    QString out(units + (bytes.size() & 1), Qt::Uninitialized);
    QChar* o = out.data();
    const auto unit = [&](qsizetype i) -> char16_t {
        return littleEndian ? char16_t(p[2 * i] | p[2 * i + 1] << 8) : char16_t(p[2 * i] << 8 | p[2 * i + 1]);
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            *o++ = QChar(u);
            *o++ = QChar(unit(++i));
        } else {
            *o++ = QChar::isSurrogate(u) ? QChar(Replacement) : QChar(u);
        }
    }
    if (bytes.size() & 1)
        *o++ = QChar(Replacement);
    out.truncate(o - out.constData());
    return out;
}

} // namespace

QString decodeLegacy(const QByteArray& bytes)
{
    const bool le = bytes.startsWith("\xFF\xFE");
    if (le || bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(QByteArrayView(bytes).sliced(2), le);
    return decodeAs(bytes, detectLegacyEncoding(bytes));
}

QByteArray encodeLegacy(const QString& text)
{
    if (text.isEmpty())
        return {};
    Iconv cd("GB18030", "UTF-16LE");
    QByteArray out;
    out.reserve(text.size() * 2);
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char buf[4096];
    while (cd.ok() && inLeft > 0) {
        // The euro sign is written as code page 936 has it.
        if (*reinterpret_cast<const char16_t*>(in) == Euro) {
            out.append('\x80');
            in += 2;
            inLeft -= 2;
            continue;
        }
        // Convert up to the next euro sign.
        size_t chunk = 0;
        while (chunk < inLeft && *reinterpret_cast<const char16_t*>(in + chunk) != Euro)
            chunk += 2;
        size_t chunkLeft = chunk;
        while (chunkLeft > 0) {
            char* o = buf;
            size_t oLeft = sizeof buf;
            const size_t r = iconv(cd.get(), &in, &chunkLeft, &o, &oLeft);
            const int err = errno; // append may change errno
            out.append(buf, qsizetype(o - buf));
            if (r != size_t(-1) || err == E2BIG)
                continue;
            // A lone surrogate has no encoding; keep the rest of the text.
            out.append('?');
            const size_t skip = std::min<size_t>(2, chunkLeft);
            in += skip;
            chunkLeft -= skip;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
        inLeft -= chunk;
    }
    if (!cd.ok())
        return text.toUtf8();
    return out;
}

QByteArray encodeLegacyLossless(const QString& text)
{
    QByteArray bytes = encodeLegacy(text);
    if (decodeLegacy(bytes) != text)
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return bytes;
}

bool readFileBytes(const QString& path, QByteArray* bytes, qint64 maxBytes, FileReadError* error)
{
    const FileReadError e = readRegularFile(path, maxBytes, bytes);
    if (error)
        *error = e;
    return e == FileReadError::None;
}

bool readLegacyFile(const QString& path, QString* text, qint64 maxBytes, FileReadError* error)
{
    QByteArray bytes;
    if (!readFileBytes(path, &bytes, maxBytes, error))
        return false;
    if (text)
        *text = decodeLegacy(bytes);
    return true;
}

} // namespace rt

#include "platform/legacytext.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace rt {

namespace {

constexpr char16_t Replacement = 0xFFFD;
constexpr char16_t Euro = 0x20AC;

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
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
    bool ascii = true;      // no byte of 0x80 or above
    bool valid = true;      // well-formed UTF-8 throughout
    bool evidence = false;  // holds a 3-byte sequence or a plane 1 character
    bool c1Control = false; // holds U+0080..U+009F
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
            // The rest only matters for ASCII-ness, which is settled.
            return s;
        }
        if (len == 3 || (b == 0xF0 && p[i + 1] <= 0x9F))
            s.evidence = true;
        else if (b == 0xC2 && p[i + 1] <= 0x9F)
            s.c1Control = true;
        i += len;
    }
    return s;
}

bool hasUtf8Mark(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

// GB18030 to UTF-16. An invalid byte becomes U+FFFD and decoding goes on
// with the next byte; a truncated sequence at the end becomes U+FFFD.
QString decodeGb18030(const QByteArray& bytes)
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
        out.append(static_cast<unsigned char>(*in) == 0x80 ? QChar(Euro) : QChar(Replacement));
        if (err == EINVAL)
            break; // incomplete sequence at the end of the text
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace

LegacyEncoding detectLegacyEncoding(const QByteArray& bytes, DecodeRule rule)
{
    if (hasUtf8Mark(bytes))
        return LegacyEncoding::Utf8;
    const Utf8Scan s = scanUtf8(bytes);
    if (s.ascii)
        return LegacyEncoding::Ascii;
    if (!s.valid)
        return LegacyEncoding::CodePage936;
    if (rule == DecodeRule::Utf8First || (s.evidence && !s.c1Control))
        return LegacyEncoding::Utf8;
    return LegacyEncoding::CodePage936;
}

QString decodeLegacy(const QByteArray& bytes, DecodeRule rule)
{
    switch (detectLegacyEncoding(bytes, rule)) {
    case LegacyEncoding::Ascii:
        return QString::fromLatin1(bytes);
    case LegacyEncoding::Utf8:
        if (hasUtf8Mark(bytes))
            return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
        return QString::fromUtf8(bytes);
    case LegacyEncoding::CodePage936:
        break;
    }
    return decodeGb18030(bytes);
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

bool readLegacyFile(const QString& path, QString* text, DecodeRule rule)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    if (text)
        *text = decodeLegacy(bytes, rule);
    return true;
}

} // namespace rt

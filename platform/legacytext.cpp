#include "platform/legacytext.h"

#include <QFile>
#include <QStringDecoder>
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

bool hasNonAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder dec(QStringConverter::Utf8);
    const QString decoded = dec.decode(bytes); // decode() is lazy: convert to run it
    Q_UNUSED(decoded);
    return !dec.hasError();
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

QString decodeLegacy(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (!hasNonAscii(bytes))
        return QString::fromLatin1(bytes);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
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

bool readLegacyFile(const QString& path, QString* text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    if (text)
        *text = decodeLegacy(bytes);
    return true;
}

} // namespace rt

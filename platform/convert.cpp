#include "platform/convert.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace rt {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// Checks the number form and copies it to plain ASCII for from_chars (which
// is locale independent and rejects a leading '+').
bool numberForm(QStringView s, std::string* out)
{
    out->clear();
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digit = [&](qsizetype k) { return k < n && s[k] >= u'0' && s[k] <= u'9'; };
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            out->push_back('-');
        ++i;
    }
    int digits = 0;
    while (digit(i)) {
        out->push_back(char(s[i].unicode()));
        ++i, ++digits;
    }
    if (i < n && s[i] == u'.') {
        out->push_back('.');
        ++i;
        while (digit(i)) {
            out->push_back(char(s[i].unicode()));
            ++i, ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        out->push_back('e');
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) {
            out->push_back(char(s[i].unicode()));
            ++i;
        }
        if (!digit(i))
            return false;
        while (digit(i)) {
            out->push_back(char(s[i].unicode()));
            ++i;
        }
    }
    return i == n;
}

// Power of ten of the first significant digit of a number in numberForm's
// output (which has at least one digit).
long decimalMagnitude(const std::string& ascii)
{
    const auto epos = ascii.find('e');
    const std::string mant = ascii.substr(0, epos);
    long exp10 = 0;
    if (epos != std::string::npos) {
        // Clamp absurd exponents; only the sign of the total matters.
        const std::string e = ascii.substr(epos + 1);
        std::size_t digitsAt = (e[0] == '+' || e[0] == '-') ? 1 : 0;
        long mag = 0;
        for (std::size_t i = digitsAt; i < e.size() && mag < 100000000; ++i)
            mag = mag * 10 + (e[i] - '0');
        exp10 = e[0] == '-' ? -mag : mag;
    }
    const auto point = mant.find('.');
    const std::string intPart = mant.substr(0, point);
    const auto firstNonZero = intPart.find_first_of("123456789");
    if (firstNonZero != std::string::npos)
        return long(intPart.size() - firstNonZero) - 1 + exp10;
    if (point == std::string::npos)
        return -1; // zero
    const std::string frac = mant.substr(point + 1);
    const auto f = frac.find_first_of("123456789");
    if (f == std::string::npos)
        return -1; // zero
    return -long(f) - 1 + exp10;
}

} // namespace

std::optional<double> toDouble(const QString& text)
{
    std::string ascii;
    if (!numberForm(trimBlanks(text), &ascii))
        return std::nullopt;
    double v = 0;
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        // A number too small for a double is zero; one too large is an error.
        return decimalMagnitude(ascii) < 0 ? std::optional<double>(0.0) : std::nullopt;
    if (ec != std::errc() || ptr != last || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool isNumeric(const QString& text) { return toDouble(text).has_value(); }

std::optional<std::int32_t> roundToLong(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding: halves to even
    if (r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int32_t> toLong(const QString& text)
{
    const auto v = toDouble(text);
    if (!v)
        return std::nullopt;
    return roundToLong(*v);
}

std::optional<bool> toBool(const QString& text)
{
    const QStringView t = trimBlanks(text);
    if (t.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    const auto v = toDouble(text);
    if (!v)
        return std::nullopt;
    return *v != 0.0;
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0.0)
        return QStringLiteral("0"); // also -0
    // Rounding to 15 significant digits hides binary noise (60 + 5.1). The
    // lyric parser writes one of these per time tag: no heap on the way.
    char sci[64];
    const char* const sciEnd = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14).ptr;
    // Form: [-]d.dddddddddddddde[+-]xx
    const bool negative = sci[0] == '-';
    const char* e = std::find(static_cast<const char*>(sci), sciEnd, 'e');
    char digits[24];
    int nd = 0;
    for (const char* c = sci + (negative ? 1 : 0); c < e; ++c)
        if (*c != '.')
            digits[nd++] = *c;
    int exp10 = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), sciEnd, exp10);
    while (nd > 1 && digits[nd - 1] == '0')
        --nd;

    // The first digit stands for 10^exp10.
    char out[400];
    char* o = out;
    if (negative)
        *o++ = '-';
    if (exp10 < 0) {
        *o++ = '0';
        *o++ = '.';
        o = std::fill_n(o, -exp10 - 1, '0');
        o = std::copy(digits, digits + nd, o);
    } else if (exp10 + 1 >= nd) {
        o = std::copy(digits, digits + nd, o);
        o = std::fill_n(o, exp10 + 1 - nd, '0');
    } else {
        o = std::copy(digits, digits + exp10 + 1, o);
        *o++ = '.';
        o = std::copy(digits + exp10 + 1, digits + nd, o);
    }
    return QString::fromLatin1(out, qsizetype(o - out));
}

QString settingsNumberText(double value)
{
    const QString t = numberText(value);
    return t.startsWith(u'-') ? t : QLatin1Char(' ') + t;
}

QString formatDate(const QDateTime& when, const QString& pattern)
{
    return QLocale::c().toString(when, pattern);
}

} // namespace rt

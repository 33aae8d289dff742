#pragma once
// Numbers and dates as text, by the rules of the program's settings, list
// and lyric files.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace rt {

// Text to Long: a decimal number with blanks around it; a fraction goes to
// the nearest whole number, halves to even. Empty when it is not a number or
// does not fit 32 bits.
std::optional<std::int32_t> toLong(const QString& text);

// Text to a double, accepting what the numeric test accepts.
std::optional<double> toDouble(const QString& text);

// Text to Boolean: a number (0 False, anything else True) or the words True
// and False (any case), blanks around allowed.
std::optional<bool> toBool(const QString& text);

// The numeric test: a decimal number with optional sign, point and exponent
// ("1e3"), blanks (space, tab) around allowed; beyond the double range it fails.
bool isNumeric(const QString& text);

// The nearest whole number, halves to the even one; empty when it is not
// finite or does not fit 32 bits.
std::optional<std::int32_t> roundToLong(double value);

// Number text: up to 15 significant digits, "." as the point, no trailing
// zeros, no point for whole numbers, never an exponent. 65.1 -> "65.1",
// 60 + 5.1 -> "65.1", 1e-5 -> "0.00001". -0, NaN and infinities give "0".
QString numberText(double value);

// A number as the settings file writes it: a blank before non-negative
// numbers, the minus sign otherwise, then the number text: " 5", "-5", " 0.5".
QString settingsNumberText(double value);

// Formats a date with a QDateTime pattern such as "yyMMddHHmmss" or
// "yyyy-MM-dd", in the C locale whatever the user's locale.
QString formatDate(const QDateTime& when, const QString& pattern);

} // namespace rt

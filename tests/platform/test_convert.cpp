#include "platform/convert.h"

#include <gtest/gtest.h>

using namespace rt;

namespace {

struct LongCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

TEST(Convert, TextToLong)
{
    const LongCase cases[] = {
        {"0", 0}, {" 44100 ", 44100}, {"-1 ", -1}, {"+7", 7}, {"\t12\t", 12},
        {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"0.5", 0}, {"1.5", 2}, {"10.5", 10}, {"2.51", 3},
        {"-0.4", 0}, {".5", 0}, {"5.", 5}, {"1e3", 1000}, {"1.5E1", 15},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483647.4", 2147483647},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"2147483647.5", std::nullopt},
        {"1e400", std::nullopt},
        {"", std::nullopt}, {"   ", std::nullopt}, {"abc", std::nullopt}, {"12abc", std::nullopt},
        {"1 2", std::nullopt}, {".", std::nullopt}, {"-", std::nullopt}, {"1e", std::nullopt},
        {"1,5", std::nullopt}, {"True", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toLong(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(Convert, NumericTestAndDouble)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {" 65.1 ", 65.1}, {"-0.35", -0.35}, {"1e-5", 1e-5}, {"1e-400", 0.0}, {"0.000e-999", 0.0},
        {"1e400", std::nullopt}, {"x1", std::nullopt}, {"", std::nullopt}, {"--1", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(toDouble(QString::fromUtf8(text)), expected) << text;
        EXPECT_EQ(isNumeric(QString::fromUtf8(text)), expected.has_value()) << text;
    }
}

TEST(Convert, TextToBool)
{
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"-1 ", true}, {" 0 ", false}, {"1", true}, {"0.0", false}, {"2.5", true},
        {"True", true}, {"true", true}, {" FALSE ", false}, {"fAlSe", false},
        {"", std::nullopt}, {"yes", std::nullopt}, {"Truex", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(toBool(QString::fromUtf8(text)), expected) << text;
}

TEST(Convert, RoundToLong)
{
    EXPECT_EQ(roundToLong(10.5), 10);
    EXPECT_EQ(roundToLong(11.5), 12);
    EXPECT_EQ(roundToLong(-3.5), -4);
    EXPECT_EQ(roundToLong(-2147483648.5), INT32_MIN);
    EXPECT_EQ(roundToLong(2147483648.0), std::nullopt);
    EXPECT_EQ(roundToLong(std::nan("")), std::nullopt);
}

TEST(Convert, NumberText)
{
    const std::pair<double, const char*> cases[] = {
        {65.1, "65.1"}, {60 + 5.1, "65.1"}, {0.1 + 0.2, "0.3"}, {0, "0"}, {-0.0, "0"},
        {0.5, "0.5"}, {-0.35, "-0.35"}, {128, "128"}, {-1, "-1"}, {1e20, "100000000000000000000"},
        {1e-5, "0.00001"}, {123456789012345678.0, "123456789012346000"},
        {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"}, {9.9999999999999999, "10"},
        {123.456, "123.456"}, {-1234567.5, "-1234567.5"}, {3600.05, "3600.05"},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(numberText(value), QString::fromLatin1(expected)) << expected;
}

TEST(Convert, StrNumber)
{
    EXPECT_EQ(settingsNumberText(5), " 5");
    EXPECT_EQ(settingsNumberText(-5), "-5");
    EXPECT_EQ(settingsNumberText(0.5), " 0.5");
    EXPECT_EQ(settingsNumberText(128), " 128");
    EXPECT_EQ(settingsNumberText(0), " 0");
}

TEST(Convert, FormatDate)
{
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(formatDate(when, "yyMMddHHmmss"), "260102030405");
    EXPECT_EQ(formatDate(when, "yyyy-MM-dd HH:mm:ss"), "2026-01-02 03:04:05");
    EXPECT_EQ(formatDate(when, "MMM"), "Jan"); // C locale names, whatever the system locale
}

} // namespace

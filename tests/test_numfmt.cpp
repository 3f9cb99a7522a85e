#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "files/numfmt.h"

using namespace torv;

TEST(NumberFormat, General15)
{
    const struct {
        double v;
        const char* text;
    } rows[] = {
        { 0, "0" },
        { 1.0, "1" },
        { 100000, "100000" },
        { 4.4, "4.4" },
        { 0.0001, "0.0001" },
        { 1e-5, "1E-5" },
        { 1.5e-5, "1.5E-5" },
        { 0.00012, "0.00012" },
        { -2.5, "-2.5" },
        { 25.45, "25.45" },
        { 0.1 + 0.2, "0.3" },
        { 1.0 / 3, "0.333333333333333" },
        { 999999999999999, "999999999999999" },
        { 1e15, "1E15" },
        { 1234567890123456, "1.23456789012346E15" },
        { 1046000, "1046000" },
        { -0.01, "-0.01" },
        { 2.541e-10, "2.541E-10" },
    };
    for (auto r : rows)
        EXPECT_EQ(general15(r.v, '.'), r.text) << r.v;
    EXPECT_EQ(general15(4.4, ','), "4,4");
    EXPECT_EQ(general15(1.5e-5, ','), "1,5E-5");
}

TEST(NumberFormat, General4)
{
    const struct {
        double v;
        const char* text;
    } rows[] = {
        { 3.14159, "3.142" },
        { 0.25, "0.25" },
        { 123456, "1.235E5" },
        { 9999.5, "1E4" },
        { 1234, "1234" },
        { 12345, "1.235E4" },
        { 0.000099996, "0.0001" },
        { 2e-5, "2E-5" },
        { -7.125, "-7.125" },
        { 50, "50" },
    };
    for (auto r : rows)
        EXPECT_EQ(general4(r.v, '.'), r.text) << r.v;
}

TEST(NumberFormat, GraphLabels)
{
    EXPECT_EQ(formatGeneral(123456, 4, 2, '.'), "1.235E05");
    EXPECT_EQ(formatGeneral(1e-5, 4, 2, '.'), "1E-05");
    EXPECT_EQ(formatGeneral(1e123, 4, 2, '.'), "1E123");
    EXPECT_EQ(formatGeneral(12345, 3, 1, ','), "1,23E4");
    EXPECT_EQ(formatGeneral(1.1 * 3 * 40 / 7, 4, 2, '.'), "18.86");
    EXPECT_EQ(formatGeneral(0, 4, 2, '.'), "0");
}

TEST(NumberFormat, ParseAcceptsOnlyPlainDecimalNumbers)
{
    const struct {
        const char* text;
        char sep;
        double value; // NaN: refused
    } rows[] = {
        { "12.5", '.', 12.5 },
        { " 12.5 ", '.', 12.5 },
        { "-1.5e3", '.', -1500 },
        { "+.5", '.', 0.5 },
        { "5.", '.', 5 },
        { "1E-5", '.', 1e-5 },
        { "2500", '.', 2500 },
        { "1,5", ',', 1.5 },
        { "4,4", ',', 4.4 },
        { "1e-400", '.', 0 },
        { "", '.', NAN },
        { " ", '.', NAN },
        { "-", '.', NAN },
        { "+", '.', NAN },
        { ".", '.', NAN },
        { "1.2.3", '.', NAN },
        { "1,5", '.', NAN },
        { "1.5", ',', NAN },
        { "1 000", '.', NAN },
        { "1,000.5", '.', NAN },
        { "1e", '.', NAN },
        { "1e+", '.', NAN },
        { "abc", '.', NAN },
        { "12a", '.', NAN },
        { "\t1", '.', NAN },
        { "1e400", '.', NAN },
        { "0x10", '.', NAN },
        { "inf", '.', NAN },
        { "nan", '.', NAN },
        { "--1", '.', NAN },
        { "1e5.5", '.', NAN },
    };
    for (auto r : rows) {
        const auto v = parseNumber(r.text, r.sep);
        if (std::isnan(r.value)) {
            EXPECT_FALSE(v.has_value()) << "'" << r.text << "'";
        } else {
            ASSERT_TRUE(v.has_value()) << "'" << r.text << "'";
            EXPECT_EQ(*v, r.value) << "'" << r.text << "'";
        }
    }
}

TEST(NumberFormat, TextsWrittenReadBackToTheSameNumber)
{
    for (double v : { 0.02, 25.45, -88.0, 1.5e-5, 104000.0, 0.1 + 0.2, 1.0 / 3, 6371302.5, 2.222e-8 }) {
        for (char sep : { '.', ',' }) {
            auto back = parseNumber(general15(v, sep), sep);
            ASSERT_TRUE(back.has_value());
            EXPECT_NEAR(*back, v, std::fabs(v) * 1e-14);
            auto back4 = parseNumber(general4(v, sep), sep);
            ASSERT_TRUE(back4.has_value());
            EXPECT_NEAR(*back4, v, std::fabs(v) * 1e-3);
        }
    }
}

TEST(NumberFormat, FixedFields)
{
    EXPECT_EQ(fixedField(1, 6, 2), "  1.00");
    EXPECT_EQ(fixedField(123456.7, 6, 2), "123456.70");
    EXPECT_EQ(fixedField(-1.5, 5, 1), " -1.5");
    EXPECT_EQ(fixedField(1.112, 9, 6), " 1.112000");
    EXPECT_EQ(fixedField(0.0, 5, 1), "  0.0");
}

TEST(NumberFormat, IndependentOfTheProcessLocale)
{
    // The GUI switches the C locale to the user's; the core must not follow.
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    EXPECT_EQ(fixedField(1.5, 5, 1), "  1.5");
    EXPECT_EQ(general15(4.4, '.'), "4.4");
    EXPECT_EQ(parseNumber("1.5", '.').value_or(-1), 1.5);
    std::setlocale(LC_ALL, saved.c_str());
}

// Values where a shortcut in formatting could go wrong: random bits, short
// decimals, integers, powers of ten and their neighbours, subnormals, texts
// of 15, 16 and 17 digits, and numbers whose 19th digit is a 5 after
// nothing (a tie at the 18th).
std::vector<double> awkwardValues()
{
    std::mt19937_64 random(2718);
    std::vector<double> values = { 5e-324, 1e-310, 2.2250738585072014e-308, 1.7976931348623157e308, 0.1, 1e15,
        999999999999999.9, 9007199254740993.0, 0x1p64, 0x1p-16 };
    for (int e = -320; e <= 308; ++e)
        for (double v : { std::pow(10.0, e), std::nextafter(std::pow(10.0, e), 0.0) })
            values.insert(values.end(), { v, std::nextafter(v, INFINITY) });
    for (int k = 0; k < 20000; ++k) {
        const std::uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        const int e = static_cast<int>(random() % 40) - 20;
        const double decimal = static_cast<double>(random() % 1000000) * std::pow(10.0, e);
        const int places = static_cast<int>(random() % 15); // 18 - places digits before the point
        const double tie = std::ldexp(std::floor(std::pow(10.0, 17 - places) * std::ldexp(1.0, 1 + places)) + 1,
            -1 - places); // ends in a 5 at the 19th digit
        values.insert(values.end(),
            { std::isfinite(v) ? v : 1.0, decimal, static_cast<double>(random() >> (random() % 64)),
                std::ldexp(static_cast<double>(random() % 100000), -1074), 100 + static_cast<double>(k) / 7, tie,
                -tie });
    }
    return values;
}

// The exact format is general 15, or with 16 or 17 digits where fewer do not
// read back, the first that does.
TEST(NumberFormat, ExactGeneralHasTheFewestDigitsFromFifteenThatReadBack)
{
    for (double v : awkwardValues())
        for (char sep : { '.', ',' }) {
            std::string expected = formatGeneral(v, 17, 0, sep);
            for (int precision : { 16, 15 })
                if (parseNumber(formatGeneral(v, precision, 0, sep), sep) == v)
                    expected = formatGeneral(v, precision, 0, sep);
            ASSERT_EQ(exactGeneral(v, sep), expected) << std::hexfloat << v;
        }
}

// Every rounding starts from the 18 digits of the library's conversion.
TEST(NumberFormat, EighteenDigitsAreTheLibrarys)
{
    const auto digits = [](std::string text) {
        text.erase(std::min(text.find_first_of("Ee"), text.size()));
        std::erase_if(text, [](char c) { return c < '0' || c > '9'; });
        text.erase(0, text.find_first_not_of('0'));
        text.erase(text.find_last_not_of('0') + 1);
        return text;
    };
    for (double v : awkwardValues()) {
        char buf[64];
        const std::string library(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 17).ptr);
        const std::string ours = formatGeneral(v, 18, 0, '.');
        ASSERT_EQ(digits(ours), digits(library)) << std::hexfloat << v;
        ASSERT_EQ(parseNumber(ours, '.'),
            std::isfinite(v) ? std::optional(std::strtod(library.c_str(), nullptr)) : std::nullopt);
    }
}

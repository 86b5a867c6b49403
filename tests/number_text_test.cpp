// SPDX-License-Identifier: MIT
#include "platform/number_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <locale>
#include <optional>
#include <random>
#include <string>

namespace tetrode {
namespace {

using testing::FaultKindOf;

// What a text reads as: a number, or the kind of fault (an invalid argument for a refused text, an
// overflow for a number too large).
struct Reading {
    Reading(double v) : value(v) {} // NOLINT: rows read best with plain numbers
    Reading(FaultKind f) : fault(f) {}
    std::optional<double> value;
    std::optional<FaultKind> fault;
};
constexpr FaultKind kRefused = FaultKind::InvalidArgument, kTooLarge = FaultKind::Overflow;

// Every row is read with C++'s global locale and, where one is installed, the C library's
// switched to a comma decimal point: only the separator passed decides.
TEST(NumberFromText, ReadsTheLeadingNumberAndRefusesWhatItWouldMisread) {
    struct CommaPoint : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previousGlobal =
        std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr)
            break;
    }
    const std::string zeros400(400, '0');
    // clang-format off
    const struct { const char* name; std::string text; Reading read; const char* separator = "."; }
    cases[] = {
        // Decimal: blanks, tabs and line feeds removed anywhere; sign, digits, point, exponent.
        {"unit after the number", "350V", 350},
        {"a word for the unit", "350 volts", 350},
        {"blank between digits", "3 50", 350},
        {"tabs and line feeds", "\t1\n2\t.\n5 ", 12.5},
        {"exponent e", "1e3", 1000},
        {"explicit plus, exponent E with plus", "+1.5E+2", 150},
        {"exponent D", "1D3", 1000},
        {"exponent d with minus", "25d-1", 2.5},
        {"unfinished exponent is no multiplier", "300E", 300},
        {"exponent sign without digits", "2e+", 2},
        {"negative, leading point", "-.25", -0.25},
        {"trailing point before the exponent", "1.e5", 1e5},
        {"empty box", "", 0},
        {"blanks only", "  \t", 0},
        {"minus zero reads a plain zero", "-0", 0},
        {"largest double", "1.7976931348623157e308", DBL_MAX},
        // The locale's separator is a decimal point beside the full stop.
        {"point in a comma locale", "2.5", 2.5, ","},
        {"comma in a comma locale", "12,5", 12.5, ","},
        {"comma locale: one decimal point only", "3,000", 3, ","},
        {"two-byte separator", "7\xD9\xAB" "5", 7.5, "\xD9\xAB"},
        // &H and &O: unsigned integers of any size up to the double range.
        {"hex, lower case, blanks removed, 16-bit all ones not wrapped", "& h f f f f", 65535},
        {"hex E is a digit", "&H1E", 30},
        {"octal, lower case", "&o17", 15},
        {"octal 2^66 - 1 rounds up", "&O" + std::string(22, '7'), 73786976294838206464.0},
        // Below the double range: 0 (never -0) or a denormal.
        {"below half the smallest denormal, negative", "-2e-324", 0},
        {"rounds up to the smallest denormal", "3e-324", 4.9406564584124654e-324},
        {"huge negative exponent", "1e-99999999999999999999", 0},
        {"zero, huge exponent", "0e99999999999999999999", 0},
        {"tiny fraction, positive exponent", "0." + std::string(500, '0') + "1e100", 0},
        {"long mantissa, negative exponent", "1" + zeros400 + "e-380", 1e20},
        // Refused: no number at all, a second number, or a multiplier after it.
        {"letters only", "abc", kRefused}, {"four hundred", "four hundred", kRefused},
        {"lone minus", "-", kRefused}, {"lone point", ".", kRefused}, {"exponent alone", "e5", kRefused},
        {"two signs", "--5", kRefused}, {"unit first", "V0", kRefused},
        {"hex without digits", "&H", kRefused}, {"sign before &", "-&H10", kRefused},
        {"unknown base", "&X10", kRefused}, {"lone ampersand", "&", kRefused},
        {"thousands separator", "3,000", kRefused}, {"decimal comma in a point locale", "12,5", kRefused},
        {"two points", "1.2.3", kRefused}, {"grouped in a comma locale", "1.234,5", kRefused, ","},
        {"octal digit 8 after the number", "&o178", kRefused},
        {"kilo", "1.5kV", kRefused}, {"milli, with a blank", "200 mA", kRefused},
        {"mega", "5M", kRefused}, {"micro", "100\u00b5A", kRefused},
        {"multiplier after an exponent", "1e3k", kRefused},
        // Beyond the double range: an overflow fault, not a refusal.
        {"exponent", "-1e400", kTooLarge},
        {"just past the rounding edge", "1.7976931348623159e308", kTooLarge},
        {"huge exponent", "1e99999999999999999999", kTooLarge},
        {"long mantissa beats the exponent", "1" + zeros400 + "e-80", kTooLarge},
        {"small fraction, larger exponent", "0.001e312", kTooLarge},
        {"huge hex", "&H" + std::string(300, 'F'), kTooLarge},
        {"huge octal", "&O" + std::string(400, '7'), kTooLarge},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const double value = NumberFromText(c.text, c.separator);
            EXPECT_EQ(value, c.read.value) << c.text;
            EXPECT_FALSE(std::signbit(value) && value == 0.0) << "a zero reads without a minus";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.read.fault) << fault.what();
            // The message quotes the text (refused) or names the number (too large).
            EXPECT_NE(std::string(fault.what()).find(c.text.substr(0, 5)), std::string::npos)
                << fault.what();
        }
    }
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previousGlobal);
}

// Display patterns: half-way cases are judged on the 15-significant-digit decimal form; a negative
// value that rounds to zero shows no minus sign. The general single form: 7 significant digits,
// exponent form outside 0.0001 <= |value| < 10000000, judged after the rounding.
TEST(Formatting, ShowsFiguresInTheirPatternOrTheGeneralSingleFormAndRefusesWhatItCannot) {
    constexpr const char* kGeneral = nullptr; // FormatGeneralSingle of the value as a single
    // clang-format off
    const struct { const char* name; double value; const char* pattern; std::string text;
                   const char* separator = "."; } cases[] = {
        // Display patterns; the test below holds the half-way cases of every size a figure takes.
        {"negative to zero, no minus sign", -0.04, "###0.0", "0.0"},
        {"binary 0.15 lies below: its decimal form decides", 0.15, "###0.0", "0.2"},
        {"15 digits decide, not the exact double", 1234567890123.45, "####0.0", "1234567890123.5"},
        {"more integer digits than the pattern", 12345.67, "##0.0", "12345.7"},
        {"whole, tiny negative", -1e-300, "######0", "0"},
        {"1E+20", 1e20, "###0.0", "100000000000000000000.0"},
        {"-DBL_MAX", -DBL_MAX, "###0.0", "-179769313486232" + std::string(294, '0') + ".0"},
        {"comma", 252.06, "###0.0", "252,1", ","},
        {"two-byte separator", 73.0, "##0.0", "73\xD9\xAB" "0", "\xD9\xAB"},
        {"no separator for whole numbers", 750.0, "######0", "750", ","},
        // The general form of a single.
        {"whole", 600.0F, kGeneral, "600"},
        {"negative zero", -0.0F, kGeneral, "0"},
        {"rounded in the seventh digit", 864.000061F, kGeneral, "864.0001"},
        {"largest single below one keeps its nines", 0.99999994F, kGeneral, "0.9999999"},
        {"carry to a new digit", 1.9999999F, kGeneral, "2"},
        {"exact tie away from zero, not to even", 1234568.5F, kGeneral, "1234569"},
        {"largest fixed", 9999999.0F, kGeneral, "9999999"},
        {"smallest fixed", 0.0001F, kGeneral, "0.0001"},
        {"small fixed, seven digits", 0.00012345678F, kGeneral, "0.0001234568"},
        {"ten million", 1e7F, kGeneral, "1E+07"},
        {"the single just below 0.0001", std::nextafter(0.0001F, 0.0F), kGeneral, "9.999999E-05"},
        {"negative, exponent form", -1e-30F, kGeneral, "-1E-30"},
        {"largest single", FLT_MAX, kGeneral, "3.402823E+38"},
        {"smallest denormal single", 1e-45F, kGeneral, "1.401298E-45"},
        {"negative, comma", -57.6F, kGeneral, "-57,6", ","},
        {"comma, exponent form", 1.5e-5F, kGeneral, "1,5E-05", ","},
        // Faults, shown here by their kind's name.
        {"infinity", HUGE_VAL, "###0.0", "Out of range"},
        {"minus infinity, general form", -HUGE_VAL, kGeneral, "Out of range"},
        {"NaN", std::nan(""), "######0", "Out of range"},
        {"NaN, general form", std::nan(""), kGeneral, "Out of range"},
        {"empty pattern", 1, "", "Not accepted"},
        {"# after the point", 1, "#.#", "Not accepted"},
        {"thousands separator", 1, "#,##0.0", "Not accepted"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        const std::optional<FaultKind> fault = FaultKindOf([&] {
            text = c.pattern ? FormatDisplayPattern(c.value, c.pattern, c.separator)
                             : FormatGeneralSingle(static_cast<float>(c.value), c.separator);
        });
        EXPECT_EQ(fault ? std::string(FaultKindName(*fault)) : text, c.text);
    }
}

// The display text by another route: the value's 15 significant digits from printf, rounded half
// away from zero in integer arithmetic. For |value| below 1e11.
std::string ReferenceDisplayText(double value, int places) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.14e", std::fabs(value));
    std::uint64_t mantissa = 0;
    for (const char* c = digits; *c != 'e'; ++c) {
        mantissa = *c == '.' ? mantissa : mantissa * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    const int shift = std::atoi(std::strchr(digits, 'e') + 1) - 14 + places;
    std::uint64_t scaled = mantissa;
    if (shift < 0) {
        std::uint64_t divisor = 1;
        for (int i = 0; i < -shift && divisor < mantissa * 10; ++i) {
            divisor *= 10;
        }
        scaled = mantissa / divisor + (2 * (mantissa % divisor) >= divisor ? 1 : 0);
    }
    for (int i = 0; i < shift; ++i) {
        scaled *= 10;
    }
    std::string digitsShown = std::to_string(scaled);
    const int missing = std::max(0, places + 1 - static_cast<int>(digitsShown.size()));
    digitsShown = std::string(static_cast<std::size_t>(missing), '0') + digitsShown;
    const std::size_t point = digitsShown.size() - static_cast<std::size_t>(places);
    std::string text = value < 0 && scaled != 0 ? "-" : "";
    text.append(digitsShown, 0, point);
    if (places > 0) {
        text.append(".").append(digitsShown, point);
    }
    return text;
}

// Half-way points are where a shortcut would go wrong: values within a few units of the last place
// of n + 0.5 tenths (or units), and plain random values of every size the figures take.
TEST(Formatting, DisplayPatternsAgreeWithTheDecimalRoundingEverywhere) {
    std::mt19937_64 engine(2026);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const int places = i % 3 == 0 ? 0 : 1;
        const double magnitude = std::pow(10.0, unit(engine) * 11.0 - 3.0);
        double value = (unit(engine) < 0.5 ? -1 : 1) * magnitude;
        if (i % 2 == 0) {
            const double step = places == 0 ? 1.0 : 0.1;
            value = (std::floor(value / step) + 0.5) * step;
            const int ulps = static_cast<int>(engine() % 9) - 4;
            for (int k = 0; k < std::abs(ulps); ++k) {
                value = std::nextafter(value, ulps > 0 ? HUGE_VAL : -HUGE_VAL);
            }
        }
        if (!(std::fabs(value) < 1e11)) {
            continue;
        }
        ASSERT_EQ(FormatDisplayPattern(value, places == 0 ? "######0" : "###0.0", "."),
                  ReferenceDisplayText(value, places))
            << std::setprecision(17) << value;
    }
}

} // namespace
} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "platform/fault.h"
#include "platform/number_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <locale>
#include <optional>
#include <string>

namespace tetrode {
namespace {

using testing::FaultKindOf;

// A row whose text is beyond the double range: an overflow fault whose message names the number.
constexpr std::nullopt_t kTooLarge = std::nullopt;

TEST(NumberFromText, ReadsTheLongestLeadingNumber) {
    const std::string zeros400(400, '0');
    // clang-format off
    const struct { const char* name; std::string text; std::optional<double> value; } cases[] = {
        // Decimal: blanks, tabs and line feeds removed anywhere; sign, digits, point, exponent.
        {"unit after the number", "350V", 350},
        {"blank between digits", "3 50", 350},
        {"tabs and line feeds", "\t1\n2\t.\n5 ", 12.5},
        {"blank inside the exponent", "1e- 2", 0.01},
        {"comma ends the number", "1,5", 1},
        {"exponent E with plus", "1.5E+2", 150},
        {"exponent D", "1D3", 1000},
        {"exponent d with minus", "25d-1", 2.5},
        {"explicit plus", "+42", 42},
        {"negative, leading point", "-.25", -0.25},
        {"trailing point before the exponent", "1.e5", 1e5},
        {"second point ends the number", "1.2.3", 1.2},
        {"exponent sign without digits", "2e+", 2},
        {"empty box", "", 0},
        {"letters only", "abc", 0},
        {"lone minus", "-", 0},
        {"double sign", "--5", 0},
        {"minus zero reads a plain zero", "-0", 0},
        {"largest double", "1.7976931348623157e308", DBL_MAX},
        // &H and &O: unsigned integers of any size up to the double range.
        {"hex, lower case, blanks removed", "& h f f", 255},
        {"hex 16-bit all ones is not wrapped", "&HFFFF", 65535},
        {"hex E is a digit", "&H1E3", 483},
        {"hex stops at a non-digit", "&H1G", 1},
        {"hex without digits", "&H", 0},
        {"octal, lower case", "&o777", 511},
        {"octal stops at 8", "&O178", 15},
        {"octal 2^66 - 1 rounds up", "&O" + std::string(22, '7'), 73786976294838206464.0},
        {"sign before &", "-&H10", 0},
        {"unknown base", "&X10", 0},
        {"lone ampersand", "&", 0},
        // Below the double range: 0 (never -0) or a denormal.
        {"far below, negative", "-1e-400", 0},
        {"below half the smallest denormal", "2e-324", 0},
        {"rounds up to the smallest denormal", "3e-324", 4.9406564584124654e-324},
        {"huge negative exponent", "1e-99999999999999999999", 0},
        {"zero, huge exponent", "0e99999999999999999999", 0},
        {"tiny fraction, positive exponent", "0." + std::string(500, '0') + "1e100", 0},
        {"long mantissa, negative exponent", "1" + zeros400 + "e-380", 1e20},
        // Beyond the double range.
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
            const double value = NumberFromText(c.text);
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_FALSE(std::signbit(value) && value == 0.0) << "a zero reads without a minus";
        } catch (const Fault& fault) {
            EXPECT_EQ(c.value, kTooLarge) << fault.what();
            EXPECT_EQ(fault.kind(), FaultKind::Overflow);
            EXPECT_NE(std::string(fault.what()).find(c.text.substr(0, 5)), std::string::npos)
                << "the message names the number: " << fault.what();
        }
    }
}

// The point is the decimal point whatever the locale: C++'s global locale and, where one is
// installed, the C library's are switched to a comma for the test.
TEST(NumberFromText, ReadsThePointInACommaLocale) {
    struct CommaPoint : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previousGlobal =
        std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            break;
        }
    }
    const double point = NumberFromText("2.5");
    const double comma = NumberFromText("2,5");
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previousGlobal);
    EXPECT_EQ(point, 2.5);
    EXPECT_EQ(comma, 2.0);
}

// Display patterns: half-way cases are judged on the 15-significant-digit decimal form; a negative
// value that rounds to zero shows no minus sign. The general single form: 7 significant digits,
// exponent form outside 0.0001 <= |value| < 10000000, judged after the rounding.
TEST(Formatting, ShowsFiguresInTheirPatternOrTheGeneralSingleForm) {
    constexpr const char* kGeneral = nullptr; // FormatGeneralSingle of the value as a single
    const std::string maxDigits = "179769313486232" + std::string(294, '0');
    // clang-format off
    const struct { const char* name; double value; const char* pattern; std::string text;
                   const char* separator = "."; } cases[] = {
        // Display patterns.
        {"below half of the decimal", 0.04, "###0.0", "0.0"},
        {"half of the decimal", 0.05, "###0.0", "0.1"},
        {"negative to zero, no minus sign", -0.04, "###0.0", "0.0"},
        {"negative half away from zero", -0.05, "###0.0", "-0.1"},
        {"binary 0.15 lies below: its decimal form decides", 0.15, "###0.0", "0.2"},
        {"15 digits decide, not the exact double", 1234567890123.45, "####0.0", "1234567890123.5"},
        {"more integer digits than the pattern", 12345.67, "##0.0", "12345.7"},
        {"whole, rounds up to a new digit", 999999.5, "######0", "1000000"},
        {"whole, just below half", 999999.49, "######0", "999999"},
        {"whole, negative half", -0.5, "######0", "-1"},
        {"whole, tiny negative", -1e-300, "######0", "0"},
        {"1E+20", 1e20, "###0.0", "100000000000000000000.0"},
        {"largest negative double", -DBL_MAX, "###0.0", "-" + maxDigits + ".0"},
        {"two decimals", 1.005, "##0.00", "1.01"},
        {"comma", 252.06, "###0.0", "252,1", ","},
        {"comma, negative", -0.05, "##0.0", "-0,1", ","},
        {"two-byte separator", 73.0, "##0.0", "73\xD9\xAB" "0", "\xD9\xAB"},
        {"no separator for whole numbers", 750.0, "######0", "750", ","},
        // The general form of a single.
        {"whole", 600.0F, kGeneral, "600"},
        {"negative decimal", -57.6F, kGeneral, "-57.6"},
        {"negative zero", -0.0F, kGeneral, "0"},
        {"below one", 0.5F, kGeneral, "0.5"},
        {"rounded in the seventh digit", 864.000061F, kGeneral, "864.0001"},
        {"largest single below one keeps its nines", 0.99999994F, kGeneral, "0.9999999"},
        {"carry to a new digit", 1.9999999F, kGeneral, "2"},
        {"exact tie away from zero, not to even", 1234568.5F, kGeneral, "1234569"},
        {"largest fixed", 9999999.0F, kGeneral, "9999999"},
        {"smallest fixed", 0.0001F, kGeneral, "0.0001"},
        {"small fixed, seven digits", 0.00012345678F, kGeneral, "0.0001234568"},
        {"ten million", 1e7F, kGeneral, "1E+07"},
        {"eight digits", 12345678.0F, kGeneral, "1.234568E+07"},
        {"the single just below 0.0001", std::nextafter(0.0001F, 0.0F), kGeneral, "9.999999E-05"},
        {"fraction, exponent form", 1.5e-5F, kGeneral, "1.5E-05"},
        {"negative, exponent form", -1e-30F, kGeneral, "-1E-30"},
        {"largest single", FLT_MAX, kGeneral, "3.402823E+38"},
        {"smallest denormal single", 1e-45F, kGeneral, "1.401298E-45"},
        {"comma, general form", -57.6F, kGeneral, "-57,6", ","},
        {"comma, exponent form", 1.5e-5F, kGeneral, "1,5E-05", ","},
        {"comma, whole single", 600.0F, kGeneral, "600", ","},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.pattern ? FormatDisplayPattern(c.value, c.pattern, c.separator)
                            : FormatGeneralSingle(static_cast<float>(c.value), c.separator),
                  c.text);
    }
}

TEST(Formatting, RefusesNonFiniteValuesAndUnknownPatterns) {
    for (const double value : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(FaultKindOf([&] { FormatDisplayPattern(value, "###0.0", "."); }),
                  FaultKind::Overflow);
        EXPECT_EQ(FaultKindOf([&] { FormatGeneralSingle(static_cast<float>(value)); }),
                  FaultKind::Overflow);
    }
    for (const char* pattern : {"", ".0", "#.#", "#,##0.0"}) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(FaultKindOf([&] { FormatDisplayPattern(1.0, pattern, "."); }),
                  FaultKind::InvalidArgument);
    }
}

} // namespace
} // namespace tetrode

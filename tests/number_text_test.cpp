// SPDX-License-Identifier: MIT
#include "platform/checked_math.h"
#include "platform/fault.h"
#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <locale>
#include <string>

namespace tetrode {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    double expected;
};

void ExpectReads(const ReadCase& c) {
    SCOPED_TRACE(c.name);
    const double value = NumberFromText(c.text);
    EXPECT_EQ(value, c.expected) << "text: " << c.text;
    EXPECT_FALSE(std::signbit(value) && value == 0.0) << "a zero reads without a minus sign";
}

TEST(NumberFromText, ReadsTheTextsTypedIntoTheEntryBoxes) {
    const ReadCase cases[] = {
        {"unit after the number", "350V", 350.0},
        {"blank between digits", "3 50", 350.0},
        {"comma ends the number", "1,000", 1.0},
        {"comma as if a decimal separator", "1,5", 1.0},
        {"full-stop decimal", "2.5", 2.5},
        {"exponent e", "1e3", 1000.0},
        {"exponent E with sign", "1.5E+2", 150.0},
        {"exponent D", "1D3", 1000.0},
        {"exponent d with minus", "25d-1", 2.5},
        {"negative", "-100", -100.0},
        {"explicit plus", "+42", 42.0},
        {"empty box", "", 0.0},
        {"letters only", "abc", 0.0},
        {"lone minus", "-", 0.0},
        {"lone plus", "+", 0.0},
        {"lone point", ".", 0.0},
        {"minus point", "-.", 0.0},
        {"leading point", ".5", 0.5},
        {"negative leading point", "-.25", -0.25},
        {"trailing point", "5.", 5.0},
        {"trailing point before the exponent", "1.e5", 100000.0},
        {"trailing point before D", "5.d2", 500.0},
        {"second point ends the number", "1.2.3", 1.2},
        {"e without digits ends before it", "2e", 2.0},
        {"e and sign without digits", "2e+", 2.0},
        {"e followed by a letter", "2ex", 2.0},
        {"exponent then more text", "1e3V", 1000.0},
        {"blanks around the exponent", "1 e 3", 1000.0},
        {"tabs and line feeds removed", "\t1\n2\t.\n5 ", 12.5},
        {"blank inside the exponent", "1e- 2", 0.01},
        {"sign after blanks", "  -  7", -7.0},
        {"double sign", "--5", 0.0},
        {"text before the number", "V350", 0.0},
        {"decimal not exactly binary", "0.1", 0.1},
        {"minus zero reads as zero", "-0", 0.0},
        {"many leading zeros", "000000000000000000000000012", 12.0},
        {"longest double", "1.7976931348623157e308", DBL_MAX},
        {"smallest normal", "2.2250738585072014e-308", DBL_MIN},
        {"smallest denormal", "4.9406564584124654e-324", 4.9406564584124654e-324},
    };
    for (const ReadCase& c : cases) {
        ExpectReads(c);
    }
}

TEST(NumberFromText, ReadsHexadecimalAndOctalIntegers) {
    const ReadCase cases[] = {
        {"hex upper", "&H10", 16.0},
        {"hex lower prefix and digits", "&hff", 255.0},
        {"hex 16-bit all ones is not wrapped", "&HFFFF", 65535.0},
        {"hex 32-bit all ones", "&HFFFFFFFF", 4294967295.0},
        {"hex 64-bit rounds to nearest", "&HFFFFFFFFFFFFFFFF", 18446744073709551616.0},
        {"hex E is a digit, not an exponent", "&H1E3", 483.0},
        {"hex stops at a non-digit", "&H1G", 1.0},
        {"hex point ends it", "&H1.8", 1.0},
        {"hex without digits", "&H", 0.0},
        {"hex with a letter only", "&HZ", 0.0},
        {"hex blanks removed", "& H 1 0", 16.0},
        {"octal", "&O17", 15.0},
        {"octal lower", "&o777", 511.0},
        {"octal stops at 8", "&O178", 15.0},
        {"octal without digits", "&O8", 0.0},
        {"octal 2^60", "&O1" + std::string(20, '0'), 1152921504606846976.0},
        {"octal 2^66 - 1 rounds up", "&O" + std::string(22, '7'), 73786976294838206464.0},
        {"sign before & is no number", "-&H10", 0.0},
        {"plus before & is no number", "+&O10", 0.0},
        {"unknown base", "&X10", 0.0},
        {"lone ampersand", "&", 0.0},
        {"ampersand then digits", "&10", 0.0},
    };
    for (const ReadCase& c : cases) {
        ExpectReads(c);
    }
}

TEST(NumberFromText, ReadsTooSmallMagnitudesAsZeroOrDenormal) {
    const ReadCase cases[] = {
        {"far below the range", "1e-400", 0.0},
        {"negative far below the range", "-1e-400", 0.0},
        {"below half the smallest denormal", "2e-324", 0.0},
        {"rounds up to the smallest denormal", "3e-324", 4.9406564584124654e-324},
        {"huge negative exponent", "1e-99999999999999999999", 0.0},
        {"small mantissa, positive exponent", "0." + std::string(500, '0') + "1e100", 0.0},
        {"zero with a huge exponent", "0e99999999999999999999", 0.0},
        {"long mantissa, negative exponent", "1" + std::string(400, '0') + "e-380", 1e20},
    };
    for (const ReadCase& c : cases) {
        ExpectReads(c);
    }
}

TEST(NumberFromText, MagnitudeBeyondTheDoubleRangeIsAnOverflow) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"exponent", "1e400"},
        {"negative", "-1e400"},
        {"D exponent", "1D309"},
        {"just past the rounding edge", "1.7976931348623159e308"},
        {"400 digits", std::string(400, '9')},
        {"huge exponent", "1e99999999999999999999"},
        {"long mantissa beats a negative exponent", "1" + std::string(400, '0') + "e-80"},
        {"small fraction, larger exponent", "0.001e312"},
        {"huge hex", "&H" + std::string(300, 'F')},
        {"huge octal", "&O" + std::string(400, '7')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            NumberFromText(c.text);
            ADD_FAILURE() << "no fault for " << c.text;
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::Overflow);
            EXPECT_NE(std::string(fault.what()).find(c.text.substr(0, 5)), std::string::npos)
                << "the message names the number: " << fault.what();
        }
    }
}

// The label of the data-sheet screen voltage is read back with the same rule; it holds the
// curve file's header field as the file had it.
TEST(NumberFromText, ReadsTheDataSheetLabelTexts) {
    const ReadCase cases[] = {
        {"start caption", "0", 0.0},
        {"plain header field", "250", 250.0},
        {"header field with a blank before it", " 250", 250.0},
        {"header field with a unit", "250 V", 250.0},
        {"decimal header field", "312.5", 312.5},
        {"quoted header line keeps its quotes", "\"250\"", 0.0},
        {"general form of a single", "864.0001", 864.0001},
        {"exponent form of a single", "1.5E-05", 1.5e-5},
        {"large exponent form", "3.402823E+38", 3.402823e38},
    };
    for (const ReadCase& c : cases) {
        ExpectReads(c);
    }
}

// The point is the decimal point whatever the process's locale. The C++ global locale is always
// switched to a comma; the C library's locale too where a comma locale is installed. Both are
// restored.
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

struct PatternCase {
    const char* name;
    double value;
    const char* pattern;
    std::string expected;
};

TEST(FormatDisplayPattern, RoundsAndShowsAsTheLabelsShow) {
    const std::string maxDigits = "179769313486232" + std::string(294, '0');
    const PatternCase cases[] = {
        {"below half of the decimal", 0.04, "###0.0", "0.0"},
        {"half of the decimal", 0.05, "###0.0", "0.1"},
        {"negative rounds to zero, no minus", -0.04, "###0.0", "0.0"},
        {"negative half away from zero", -0.05, "###0.0", "-0.1"},
        {"binary 0.15 lies below, decimal form decides", 0.15, "###0.0", "0.2"},
        {"binary 0.35 lies below", 0.35, "###0.0", "0.4"},
        {"2.25 half away", 2.25, "###0.0", "2.3"},
        {"-2.25 half away", -2.25, "###0.0", "-2.3"},
        {"1.45 lies below in binary", 1.45, "###0.0", "1.5"},
        {"carry through nines", 9.95, "###0.0", "10.0"},
        {"carry adds a digit", 99.95, "##0.0", "100.0"},
        {"carry below one", 0.95, "##0.0", "1.0"},
        {"decided on 15 digits, not the exact double", 1234567890123.45, "####0.0",
         "1234567890123.5"},
        {"more integer digits than the pattern", 12345.67, "##0.0", "12345.7"},
        {"whole number rounds up to a new digit", 999999.5, "######0", "1000000"},
        {"whole number below half", 999999.49, "######0", "999999"},
        {"whole half", 0.5, "######0", "1"},
        {"whole negative half", -0.5, "######0", "-1"},
        {"whole negative to zero", -0.4, "######0", "0"},
        {"grid impedance stand-in", 1000000.0, "######0", "1000000"},
        {"zero", 0.0, "###0.0", "0.0"},
        {"negative zero", -0.0, "###0.0", "0.0"},
        {"smallest denormal", 4.9406564584124654e-324, "###0.0", "0.0"},
        {"tiny negative", -1e-300, "######0", "0"},
        {"1E+20", 1e20, "###0.0", "100000000000000000000.0"},
        {"-1E+20", -1e20, "##0.0", "-100000000000000000000.0"},
        {"largest double", DBL_MAX, "######0", maxDigits},
        {"largest negative double", -DBL_MAX, "###0.0", "-" + maxDigits + ".0"},
        {"worked figure", 466.66666666666669, "###0.0", "466.7"},
        {"negative dissipation", -12.34, "###0.0", "-12.3"},
        {"two decimals", 1.005, "##0.00", "1.01"},
        {"single zero pattern", 2.5, "0", "3"},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatDisplayPattern(c.value, c.pattern, "."), c.expected);
    }
}

TEST(FormatDisplayPattern, ShowsTheSeparatorItIsGiven) {
    const struct {
        const char* name;
        double value;
        const char* pattern;
        const char* separator;
        const char* expected;
    } cases[] = {
        {"comma", 252.06, "###0.0", ",", "252,1"},
        {"comma negative", -0.05, "##0.0", ",", "-0,1"},
        {"arabic decimal separator", 73.0, "##0.0", "\xD9\xAB",
         "73\xD9\xAB"
         "0"},
        {"no separator for whole numbers", 750.0, "######0", ",", "750"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatDisplayPattern(c.value, c.pattern, c.separator), c.expected);
    }
}

TEST(FormatDisplayPattern, FaultsOnValuesThatCannotBeShown) {
    const struct {
        const char* name;
        double value;
        const char* pattern;
        FaultKind kind;
    } cases[] = {
        {"infinity", HUGE_VAL, "###0.0", FaultKind::Overflow},
        {"negative infinity", -HUGE_VAL, "######0", FaultKind::Overflow},
        {"not a number", std::nan(""), "##0.0", FaultKind::Overflow},
        {"empty pattern", 1.0, "", FaultKind::InvalidArgument},
        {"optional decimals", 1.0, "#.#", FaultKind::InvalidArgument},
        {"no integer digit", 1.0, ".0", FaultKind::InvalidArgument},
        {"foreign characters", 1.0, "#,##0.0", FaultKind::InvalidArgument},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            FormatDisplayPattern(c.value, c.pattern, ".");
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind);
        }
    }
}

struct SingleCase {
    const char* name;
    float value;
    const char* expected;
};

TEST(FormatGeneralSingle, ShowsSevenSignificantDigits) {
    const SingleCase cases[] = {
        {"whole", 600.0f, "600"},
        {"negative decimal", -57.6f, "-57.6"},
        {"zero", 0.0f, "0"},
        {"negative zero", -0.0f, "0"},
        {"half", 0.5f, "0.5"},
        {"rounded up in the seventh digit", 864.000061f, "864.0001"},
        {"seven whole digits", 1234567.0f, "1234567"},
        {"largest fixed", 9999999.0f, "9999999"},
        {"exact tie rounds away from zero", 1234567.5f, "1234568"},
        {"exact tie away from zero, not to even", 1234568.5f, "1234569"},
        {"negative exact tie", -1234568.5f, "-1234569"},
        {"a third", 1.0f / 3.0f, "0.3333333"},
        {"two thirds", 2.0f / 3.0f, "0.6666667"},
        {"largest single below one keeps its nines", 0.99999994f, "0.9999999"},
        {"carry to a new digit", 1.9999999f, "2"},
        {"negative carry to a new digit", -1.9999999f, "-2"},
        {"rounded fraction", 123.456789f, "123.4568"},
        {"tenth", 0.1f, "0.1"},
        {"smallest fixed", 0.0001f, "0.0001"},
        {"small fixed with seven digits", 0.00012345678f, "0.0001234568"},
        {"million", 1e6f, "1000000"},
        {"limit 720", 720.0f, "720"},
        {"limit -48", -48.0f, "-48"},
    };
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatGeneralSingle(c.value), c.expected);
    }
}

TEST(FormatGeneralSingle, ShowsVeryLargeAndSmallMagnitudesWithAnExponent) {
    const SingleCase cases[] = {
        {"ten million", 1e7f, "1E+07"},
        {"negative ten million", -1e7f, "-1E+07"},
        {"eight digits", 12345678.0f, "1.234568E+07"},
        {"2^24", 16777216.0f, "1.677722E+07"},
        {"9999999.5 is the single 1E+07", 9999999.5f, "1E+07"},
        {"below the fixed range", 0.00001f, "1E-05"},
        {"single below the one nearest 0.0001", std::nextafter(0.0001f, 0.0f), "9.999999E-05"},
        {"fraction below the fixed range", 1.5e-5f, "1.5E-05"},
        {"largest single", FLT_MAX, "3.402823E+38"},
        {"largest negative single", -FLT_MAX, "-3.402823E+38"},
        {"smallest normal single", FLT_MIN, "1.175494E-38"},
        {"smallest denormal single", 1e-45f, "1.401298E-45"},
        {"two-digit exponent", 1e30f, "1E+30"},
        {"negative small", -1e-30f, "-1E-30"},
    };
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatGeneralSingle(c.value), c.expected);
    }
}

TEST(FormatGeneralSingle, ShowsTheSeparatorItIsGiven) {
    EXPECT_EQ(FormatGeneralSingle(-57.6f, ","), "-57,6");
    EXPECT_EQ(FormatGeneralSingle(1.5e-5f, ","), "1,5E-05");
    EXPECT_EQ(FormatGeneralSingle(0.0001f, "\xD9\xAB"), "0\xD9\xAB"
                                                        "0001");
    EXPECT_EQ(FormatGeneralSingle(600.0f, ","), "600");
}

TEST(FormatGeneralSingle, FaultsOnNonFiniteValues) {
    const float cases[] = {HUGE_VALF, -HUGE_VALF, std::nanf("")};
    for (const float value : cases) {
        SCOPED_TRACE(value);
        try {
            FormatGeneralSingle(value);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::Overflow);
        }
    }
}

// What the general form shows reads back, by the typing rule, within half a unit of its seventh
// significant digit.
TEST(FormatGeneralSingle, TextReadsBackWithinTheRounding) {
    const float values[] = {600.0f,  -57.6f,   864.000061f, 1234567.0f, 12345678.0f,
                            1.5e-5f, 0.0001f,  1.0f / 3.0f, FLT_MAX,    1e-30f,
                            720.5f,  -0.0625f, 0.00012345f, 9999999.0f, -3.3e-5f};
    for (const float value : values) {
        SCOPED_TRACE(value);
        const std::string text = FormatGeneralSingle(value);
        const double exact = value;
        EXPECT_LE(std::fabs(NumberFromText(text) - exact), 5.0000001e-7 * std::fabs(exact)) << text;
    }
}

// The data limits after Enter in the screen box: the box's number over the label's number,
// rounded to single, times each axis end, rounded to single, in the general form.
TEST(FormatGeneralSingle, ShowsTheDataLimitsAtEachScreenVoltage) {
    const float axisEnds[] = {600.0f, 200.0f, 0.0f, -40.0f};
    const struct {
        const char* box;
        const char* expected[4];
    } cases[] = {
        {"250", {"600", "200", "0", "-40"}},
        {"300", {"720", "240", "0", "-48"}},
        {"360", {"864.0001", "288", "0", "-57.6"}},
        {" 3 60 V", {"864.0001", "288", "0", "-57.6"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        const float ratio =
            CheckedToSingle(NumberFromText(c.box) / NumberFromText("250"), "voltage ratio");
        for (int i = 0; i < 4; ++i) {
            const float limit = CheckedToSingle(static_cast<double>(axisEnds[i]) * ratio, "limit");
            EXPECT_EQ(FormatGeneralSingle(limit), c.expected[i]);
        }
    }
}

} // namespace
} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace tetrode {
namespace {

struct ConvertedCase {
    const char* name;
    std::string field;
    std::uint32_t bits; // the single expected, bit for bit (sign of zero included)
};

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

TEST(SingleFromField, ConvertsDecimalNotation) {
    const ConvertedCase cases[] = {
        {"integer", "250", Bits(250.0F)},
        {"negative", "-10", Bits(-10.0F)},
        {"plus sign", "+5", Bits(5.0F)},
        {"fraction", "0.35", Bits(0.35F)},
        {"negative fraction", "-0.05", Bits(-0.05F)},
        {"blank before", " 250", Bits(250.0F)},
        {"blanks and tabs around", "\t 250 \t", Bits(250.0F)},
        {"point without fraction", "5.", Bits(5.0F)},
        {"fraction without integer part", ".5", Bits(0.5F)},
        {"signed fraction without integer part", "-.25", Bits(-0.25F)},
        {"exponent", "1E3", Bits(1000.0F)},
        {"lower-case exponent with sign", "2.5e-3", Bits(0.0025F)},
        {"exponent with plus", "1e+2", Bits(100.0F)},
        {"point before exponent", "5.e1", Bits(50.0F)},
        {"zero", "0", Bits(0.0F)},
        {"negative zero keeps its sign", "-0", Bits(-0.0F)},
        {"zero with a huge exponent", "0e999999", Bits(0.0F)},
        {"leading zeros", "000012.5000", Bits(12.5F)},
        // The decimal lies just above the midpoint between 1 and the next single. Through double
        // it would land on the midpoint and round to even, giving 1; rounded once it is above.
        {"rounded once, not through double", "1.00000005960464478", 0x3F800001U},
        {"largest single", "3.4028235e38", Bits(std::numeric_limits<float>::max())},
        {"just below the overflow threshold", "3.4028235677e38",
         Bits(std::numeric_limits<float>::max())},
        {"smallest normal", "1.17549435e-38", Bits(std::numeric_limits<float>::min())},
        {"denormal", "1e-40", 0x000116C2U},
        {"smallest denormal", "1.4e-45", 0x00000001U},
        {"just above half the smallest denormal", "7.1e-46", 0x00000001U},
        {"underflow to zero", "7e-46", Bits(0.0F)},
        {"far underflow to zero", "1e-50", Bits(0.0F)},
        {"negative underflow to negative zero", "-1e-50", Bits(-0.0F)},
        {"exponent too long for any integer", "1e-99999999999999999999", Bits(0.0F)},
        {"long mantissa below one", "0.000000000000000000000000000000000000000000000001",
         Bits(0.0F)},
    };
    for (const ConvertedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldNumber number = SingleFromField(c.field);
        ASSERT_EQ(number.status, FieldNumberStatus::Converted) << '"' << c.field << '"';
        EXPECT_EQ(Bits(number.value), c.bits) << '"' << c.field << "\" gave " << number.value;
    }
}

struct RefusedCase {
    const char* name;
    std::string field;
    FieldNumberStatus status;
};

TEST(SingleFromField, RefusesWhatIsNoDecimalNumber) {
    const RefusedCase cases[] = {
        {"empty", "", FieldNumberStatus::NotANumber},
        {"blanks only", "  \t ", FieldNumberStatus::NotANumber},
        {"word", "abc", FieldNumberStatus::NotANumber},
        {"infinity", "inf", FieldNumberStatus::NotANumber},
        {"spelled infinity", "-Infinity", FieldNumberStatus::NotANumber},
        {"not a number", "nan", FieldNumberStatus::NotANumber},
        {"hexadecimal", "0x1A", FieldNumberStatus::NotANumber},
        {"hexadecimal float", "0x1p3", FieldNumberStatus::NotANumber},
        {"comma decimal", "1,5", FieldNumberStatus::NotANumber},
        {"exponent without digits", "1e", FieldNumberStatus::NotANumber},
        {"exponent sign without digits", "1e+", FieldNumberStatus::NotANumber},
        {"exponent alone", "e5", FieldNumberStatus::NotANumber},
        {"double minus", "--1", FieldNumberStatus::NotANumber},
        {"plus and minus", "+-1", FieldNumberStatus::NotANumber},
        {"sign alone", "-", FieldNumberStatus::NotANumber},
        {"point alone", ".", FieldNumberStatus::NotANumber},
        {"sign and point", "+.", FieldNumberStatus::NotANumber},
        {"two points", "1.2.3", FieldNumberStatus::NotANumber},
        {"blank inside", "2 50", FieldNumberStatus::NotANumber},
        {"unit after the number", "250V", FieldNumberStatus::NotANumber},
        {"quoted", "\"250\"", FieldNumberStatus::NotANumber},
        {"D exponent", "1D3", FieldNumberStatus::NotANumber},
        {"fractional exponent", "1E3.5", FieldNumberStatus::NotANumber},
        {"carriage return is no blank", "5\r", FieldNumberStatus::NotANumber},
        {"line feed is no blank", "\n5", FieldNumberStatus::NotANumber},
        {"NUL end-of-file text", std::string(1, '\0'), FieldNumberStatus::NotANumber},
        {"beyond the single range", "1e39", FieldNumberStatus::OutOfRange},
        {"negative beyond the single range", "-1e39", FieldNumberStatus::OutOfRange},
        {"at the overflow threshold", "3.4028235678e38", FieldNumberStatus::OutOfRange},
        {"beyond the double range", "1e400", FieldNumberStatus::OutOfRange},
        {"exponent too long for any integer", "1e99999999999999999999",
         FieldNumberStatus::OutOfRange},
        {"many digits", std::string(60, '9'), FieldNumberStatus::OutOfRange},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SingleFromField(c.field).status, c.status) << '"' << c.field << '"';
    }
}

} // namespace
} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tetrode {
namespace {

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// Each row: fields that must all give the same status and, when converted, the same single bit
// for bit (sign of zero included).
TEST(SingleFromField, ConvertsDecimalNotationRoundedOnceAndRefusesEverythingElse) {
    struct Case {
        const char* name;
        std::vector<std::string> fields;
        FieldNumberStatus status;
        std::uint32_t bits = 0;
    };
    using enum FieldNumberStatus;
    constexpr float kMax = std::numeric_limits<float>::max();
    // clang-format off
    const Case cases[] = {
        {"sign, blanks, point, exponent", {"250", "+250", "\t 250 \t", "250.", "000250.000",
                                  "2.5E2", "25.E+1", "2500e-1", "0.25e3"}, Converted, Bits(250.0F)},
        {"negative, no integer part", {"-.25", "-0.25", "-2.5E-1"}, Converted, Bits(-0.25F)},
        {"inexact decimal", {"0.35"}, Converted, Bits(0.35F)},
        // Just above the midpoint between 1 and the next single: through double it lands on the
        // midpoint and rounds to even (1); rounded once it is above.
        {"rounded once, not through double", {"1.00000005960464478"}, Converted, 0x3F800001U},
        {"largest single, below the overflow threshold", {"3.4028235e38", "3.4028235677e38"},
         Converted, Bits(kMax)},
        {"smallest normal", {"1.17549435e-38"}, Converted, Bits(std::numeric_limits<float>::min())},
        {"denormal", {"1e-40"}, Converted, 0x000116C2U},
        {"smallest denormal, just above half of it", {"1.4e-45", "7.1e-46"}, Converted, 1U},
        {"zero and underflow", {"0", "0e999999", "7e-46", "1e-99999999999999999999",
                                "0." + std::string(47, '0') + "1"}, Converted, Bits(0.0F)},
        {"negative zero and negative underflow", {"-0", "-1e-50"}, Converted, Bits(-0.0F)},
        {"no number", {"", "  \t ", "abc", "inf", "-Infinity", "nan", "\"250\""}, NotANumber},
        {"other notations", {"0x1A", "0x1p3", "1,5", "1D3"}, NotANumber},
        {"more after or inside the number", {"2 50", "250V", "1.2.3", "5\r", "\n5",
                                             std::string(1, '\0')}, NotANumber},
        {"broken exponent", {"1e", "1e+", "e5", "1E3.5"}, NotANumber},
        {"sign or point without digits", {"-", ".", "+.", "--1", "+-1"}, NotANumber},
        {"beyond the single range", {"1e39", "-1e39", "3.4028235678e38", "1e400",
                                     "1e99999999999999999999", std::string(60, '9')}, OutOfRange},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& field : c.fields) {
            const FieldNumber number = SingleFromField(field);
            EXPECT_EQ(number.status, c.status) << '"' << field << '"';
            if (c.status == Converted) {
                EXPECT_EQ(Bits(number.value), c.bits) << '"' << field << "\" gave " << number.value;
            }
        }
    }
}

} // namespace
} // namespace tetrode

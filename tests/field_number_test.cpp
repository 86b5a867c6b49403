// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
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

// The quick route converts only what the strict conversion converts, and to the same bits (sign of
// zero included); it may leave a field to the strict one, but not most of those a curve file holds.
// Each row draws its fields at random; the same field is also judged inside a longer line, where
// the quick route reads ahead of the field's end.
TEST(QuickSingleFromField, AgreesBitForBitWithTheStrictConversion) {
    std::mt19937_64 random(20240611);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Appends `count` random digits to `text` (GCC 12 warns falsely on "literal" + std::string).
    const auto digits = [&](std::string text, int count) {
        for (int i = 0; i < count; ++i) {
            text += static_cast<char>('0' + pick(0, 9));
        }
        return text;
    };
    const auto printed = [](int precision, double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        return std::string(text);
    };
    const auto anySingle = [&] {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        return std::isfinite(value) ? value : 1.0F;
    };
    // clang-format off
    const struct {
        const char* name; std::function<std::string()> field; double mostlyQuick = 0.0;
    } cases[] = {
        {"currents as curve files write them",
         [&] { return digits(digits(pick(0, 3) == 0 ? "-" : "", pick(0, 3)) + '.', pick(1, 7)); },
         0.99},
        {"voltages: whole numbers and one decimal",
         [&] { const std::string whole = digits(pick(0, 1) ? "-" : "", pick(1, 5));
               return pick(0, 1) ? whole : digits(whole + '.', 1); },
         0.99},
        {"up to 21 digits with the point anywhere",
         [&] { std::string d = digits("", pick(1, 21));
               d.insert(static_cast<std::size_t>(pick(0, static_cast<int>(d.size()))), 1, '.');
               return d; }},
        {"exponents up to 60 either way",
         [&] { return digits("", pick(1, 9)).append(pick(0, 1) ? "e" : "E+")
                                            .append(std::to_string(pick(-60, 60))); }},
        {"singles printed to 6 to 9 digits", [&] { return printed(pick(6, 9), anySingle()); }},
        // Halfway between two singles: exactly (above 2^24 every other integer is), or a hair
        // beside it, so close that the double nearest to the decimal is the halfway point itself
        // (the halfway points of [1, 2) written to 15 decimals often are).
        {"halfway between two singles, or a hair beside",
         [&] { const int odd = 2 * pick(0, (1 << 23) - 1) + 1;
               return pick(0, 1) ? printed(17, std::ldexp(odd + (1 << 24), pick(0, 29)))
                                 : printed(16, 1.0 + std::ldexp(odd, -24)); }},
        {"characters of numbers in any order",
         [&] { std::string text;
               for (int i = pick(0, 12); i > 0; --i) { text += "0123456789+-.eE \t"[pick(0, 16)]; }
               return text; }},
    };
    // clang-format on
    // Millions in all; a tenth under the sanitizer, which makes each many times slower.
    constexpr int kFieldsPerCase = testing::kAddressSanitizer ? 40'000 : 400'000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int quick = 0;
        for (int i = 0; i < kFieldsPerCase; ++i) {
            const std::string field = c.field();
            const FieldNumber strict = SingleFromField(field);
            float value = 0.0F;
            const bool converted = QuickSingleFromField(field, value);
            const std::string line = field + ",0123456789";
            float inLine = 0.0F;
            const bool convertedInLine = QuickSingleFromField(
                line.data(), line.data() + field.size(), line.data() + line.size(), inLine);
            ASSERT_EQ(converted, convertedInLine) << '"' << field << '"';
            if (!converted) {
                continue;
            }
            ++quick;
            ASSERT_EQ(strict.status, FieldNumberStatus::Converted) << '"' << field << '"';
            ASSERT_EQ(Bits(value), Bits(strict.value)) << '"' << field << '"';
            ASSERT_EQ(Bits(inLine), Bits(strict.value)) << '"' << field << '"';
        }
        EXPECT_GE(quick, c.mostlyQuick * kFieldsPerCase);
    }
}

} // namespace
} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace tetrode {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The shape of a number that passed the grammar check, enough to tell an overflow from an
// underflow when from_chars reports a result out of range.
struct NumberShape {
    std::string_view text; // sign (minus only), mantissa and exponent, no blanks
    bool negative = false;
    // Position of the first non-zero mantissa digit relative to the decimal point, as a power of
    // ten (1.5 gives 0, 0.015 gives -2); meaningless when the mantissa is all zeros.
    long long leadingPower = 0;
    bool allZeroMantissa = true;
};

// Digits of an exponent beyond this many only matter for saturation; they cannot change whether
// the value is out of range in one direction or the other.
constexpr long long kExponentClamp = 1'000'000'000LL;

// Checks the whole field against the grammar
//     blanks [+|-] (digits [. [digits]] | . digits) [(E|e) [+|-] digits] blanks
// Both "5." and ".5" are accepted: they are ordinary decimal notation and spreadsheets write them.
// Blanks are the space and the tab. Returns false for anything else.
bool ParseShape(std::string_view field, NumberShape& shape) {
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && IsBlank(field[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(field[end - 1])) {
        --end;
    }
    const std::string_view core = field.substr(begin, end - begin);

    std::size_t i = 0;
    std::size_t numberStart = 0;
    if (i < core.size() && (core[i] == '+' || core[i] == '-')) {
        shape.negative = core[i] == '-';
        // from_chars takes a minus but not a plus, so a plus is left out of the text it sees.
        numberStart = core[i] == '+' ? 1 : 0;
        ++i;
    }

    long long integerDigits = 0;
    long long firstNonZero = -1; // index among all mantissa digits
    long long digitIndex = 0;
    std::size_t mantissaDigits = 0;
    while (i < core.size() && IsDigit(core[i])) {
        if (core[i] != '0' && firstNonZero < 0) {
            firstNonZero = digitIndex;
        }
        ++integerDigits;
        ++digitIndex;
        ++mantissaDigits;
        ++i;
    }
    if (i < core.size() && core[i] == '.') {
        ++i;
        while (i < core.size() && IsDigit(core[i])) {
            if (core[i] != '0' && firstNonZero < 0) {
                firstNonZero = digitIndex;
            }
            ++digitIndex;
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }

    long long exponent = 0;
    if (i < core.size() && (core[i] == 'E' || core[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < core.size() && (core[i] == '+' || core[i] == '-')) {
            negativeExponent = core[i] == '-';
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < core.size() && IsDigit(core[i])) {
            if (exponent < kExponentClamp) {
                exponent = exponent * 10 + (core[i] - '0');
            }
            ++i;
        }
        if (i == exponentStart) {
            return false;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (i != core.size()) {
        return false;
    }

    shape.text = core.substr(numberStart);
    shape.allZeroMantissa = firstNonZero < 0;
    if (!shape.allZeroMantissa) {
        shape.leadingPower = integerDigits - 1 - firstNonZero + exponent;
    }
    return true;
}

} // namespace

FieldNumber SingleFromField(std::string_view field) {
    NumberShape shape;
    if (!ParseShape(field, shape)) {
        return {FieldNumberStatus::NotANumber, 0.0F};
    }

    // from_chars rounds the decimal text once, to nearest, straight to single precision.
    float value = 0.0F;
    const char* const first = shape.text.data();
    const char* const last = first + shape.text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc{} && ptr == last) {
        return {FieldNumberStatus::Converted, value};
    }
    if (ec == std::errc::result_out_of_range && ptr == last) {
        // libstdc++ reports out of range both for an overflow and for a decimal so small that it
        // rounds to zero (a denormal result is returned as a value), and leaves `value` untouched
        // in both cases. Below 1 it cannot be an overflow: the correctly rounded result is then a
        // zero of the number's sign.
        if (shape.allZeroMantissa || shape.leadingPower < 0) {
            return {FieldNumberStatus::Converted, shape.negative ? -0.0F : 0.0F};
        }
        return {FieldNumberStatus::OutOfRange, 0.0F};
    }
    // The grammar check admits only what from_chars reads in full; this is a safety net.
    return {FieldNumberStatus::NotANumber, 0.0F};
}

} // namespace tetrode

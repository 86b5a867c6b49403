// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include <charconv>
#include <system_error>

namespace tetrode {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// Checks a blank-trimmed field against the grammar
//     [+|-] (digits [. [digits]] | . digits) [(E|e) [+|-] digits]
// Both "5." and ".5" are accepted: they are ordinary decimal notation and spreadsheets write them.
bool IsDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t integerStart = i;
    while (i < size && IsDigit(text[i])) {
        ++i;
    }
    bool anyDigit = i > integerStart;
    if (i < size && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < size && IsDigit(text[i])) {
            ++i;
        }
        anyDigit = anyDigit || i > fractionStart;
    }
    if (!anyDigit) {
        return false;
    }
    if (i < size && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < size && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < size && IsDigit(text[i])) {
            ++i;
        }
        if (i == exponentStart) {
            return false;
        }
    }
    return i == size;
}

// Whether a number that passed IsDecimalNumber has a magnitude below 1 (zero included), judged
// from its digits and exponent without converting it. Exponent digits beyond a billion cannot
// change the answer and are not accumulated.
bool IsBelowOne(std::string_view text) {
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        ++i;
    }
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    bool nonZero = false;
    bool inFraction = false;
    for (; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            inFraction = true;
        } else if (!nonZero && text[i] == '0') {
            leadingFractionZeros += inFraction ? 1 : 0;
        } else {
            nonZero = true;
            integerDigits += inFraction ? 0 : 1;
        }
    }
    if (!nonZero) {
        return true;
    }
    long long exponent = 0;
    bool negativeExponent = false;
    if (i < text.size()) {
        ++i;
        if (text[i] == '+' || text[i] == '-') {
            negativeExponent = text[i] == '-';
            ++i;
        }
        for (; i < text.size() && exponent < 1'000'000'000LL; ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
    }
    // The first significant digit stands at 10^power.
    const long long power = (integerDigits > 0 ? integerDigits - 1 : -1 - leadingFractionZeros) +
                            (negativeExponent ? -exponent : exponent);
    return power < 0;
}

} // namespace

FieldNumber SingleFromField(std::string_view field) {
    const std::string_view text = TrimBlanks(field);
    if (!IsDecimalNumber(text)) {
        return {FieldNumberStatus::NotANumber, 0.0F};
    }
    // from_chars takes a minus but not a plus, so a plus is left out of the text it sees.
    const std::string_view number = text.front() == '+' ? text.substr(1) : text;

    // from_chars rounds the decimal text once, to nearest, straight to single precision.
    float value = 0.0F;
    const char* const last = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), last, value, std::chars_format::general);
    if (ec == std::errc{} && ptr == last) {
        return {FieldNumberStatus::Converted, value};
    }
    if (ec == std::errc::result_out_of_range && ptr == last) {
        // libstdc++ reports out of range both for an overflow and for a decimal so small that it
        // rounds to zero (a denormal result comes back as a value), and leaves `value` untouched
        // in both cases. Below 1 it cannot be an overflow: the correctly rounded result is then a
        // zero of the number's sign.
        if (IsBelowOne(number)) {
            return {FieldNumberStatus::Converted, number.front() == '-' ? -0.0F : 0.0F};
        }
        return {FieldNumberStatus::OutOfRange, 0.0F};
    }
    // The grammar check admits only what from_chars reads in full; this is a safety net.
    return {FieldNumberStatus::NotANumber, 0.0F};
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "platform/field_number.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
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

using detail::ChunkValue;
using detail::IsFieldDigit;
using detail::kIntegerPowersOfTen;

// Reads the run of digits at `p`, which ends at `last` at the latest, into `digits` (digits x 10
// per digit, wrapping around past 19 digits, which the caller refuses) and returns where it ends.
// Where eight bytes before `readable` can be read it takes them at once: a curve row's numbers are
// a few digits each.
inline const char* TakeDigits(const char* p, const char* last, const char* readable,
                              std::uint64_t& digits) {
    if constexpr (std::endian::native == std::endian::little) {
        while (readable - p >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, p, sizeof chunk);
            // Digits become 0 to 9; any other byte becomes 10 or more and gets its high bit set by
            // the addition (a carry out of a non-digit byte reaches only bytes after it).
            chunk ^= 0x3030303030303030U;
            const std::uint64_t nonDigits =
                ((chunk + 0x7676767676767676U) | chunk) & 0x8080808080808080U;
            const std::ptrdiff_t run = nonDigits == 0 ? 8 : std::countr_zero(nonDigits) / 8;
            const int count = static_cast<int>(std::min(run, last - p));
            if (count == 0) {
                return p;
            }
            digits = digits * kIntegerPowersOfTen[count] + ChunkValue(chunk, count);
            p += count;
            if (count < 8) {
                return p;
            }
        }
    }
    while (p != last && IsFieldDigit(*p)) {
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    return p;
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

bool QuickSingleFromLongerField(const char* first, const char* last, const char* readable,
                                float& value) {
    using detail::IsFieldBlank;
    using detail::IsFieldDigit;
    const char* p = first;
    while (p != last && IsFieldBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != last && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    // The digits of integer and fraction as one integer.
    std::uint64_t digits = 0;
    const char* const integerStart = p;
    p = TakeDigits(p, last, readable, digits);
    std::ptrdiff_t digitCount = p - integerStart;
    int exponent = 0;
    if (p != last && *p == '.') {
        const char* const fractionStart = ++p;
        p = TakeDigits(p, last, readable, digits);
        digitCount += p - fractionStart;
        exponent = -static_cast<int>(p - fractionStart);
    }
    if (digitCount == 0 || digitCount > 19) {
        return false;
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p != last && (*p == '-' || *p == '+')) {
            negativeExponent = *p == '-';
            ++p;
        }
        const char* const exponentStart = p;
        int written = 0;
        while (p != last && IsFieldDigit(*p) && p - exponentStart < 4) {
            written = written * 10 + (*p - '0');
            ++p;
        }
        if (p == exponentStart || (p != last && IsFieldDigit(*p))) {
            return false;
        }
        exponent += negativeExponent ? -written : written;
    }
    while (p != last && IsFieldBlank(*p)) {
        ++p;
    }
    if (p != last) {
        return false;
    }
    return detail::SingleFromDecimal(digits, exponent, negative, value);
}

} // namespace tetrode

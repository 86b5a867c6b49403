// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tetrode {

// The outcome of converting one curve-file field.
enum class FieldNumberStatus {
    Converted,
    // Empty, or anything but blanks, sign, digits, point and E-exponent (inf, nan, hex, "1,5").
    NotANumber,
    // A magnitude beyond the single-precision range.
    OutOfRange,
};

struct FieldNumber {
    FieldNumberStatus status = FieldNumberStatus::NotANumber;
    float value = 0.0F;
};

// The strict conversion of a whole curve-file field to single precision: blanks around accepted,
// an optional sign, digits with an optional point and fraction, an optional exponent (E or e with
// a signed integer). Rounded once, to nearest, from the decimal text straight to single. The
// caller turns a failed status into a fault that names the file, line and field.
FieldNumber SingleFromField(std::string_view field);

namespace detail {

inline bool IsFieldBlank(char c) {
    return c == ' ' || c == '\t';
}

inline bool IsFieldDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// The powers of ten that a double holds exactly, and those that a single does.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr float kExactSinglePowersOfTen[] = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                                    1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
inline constexpr std::uint64_t kIntegerPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                                        100000, 1000000, 10000000, 100000000};

// The decimal `digits` x 10^`exponent`, with its sign, rounded once to single where the hardware
// can do it exactly: true when stored in `value`, false when another route must judge it.
inline bool SingleFromDecimal(std::uint64_t digits, int exponent, bool negative, float& value) {
    if (digits == 0) {
        value = negative ? -0.0F : 0.0F;
        return true;
    }
    // Both factors exact singles: the one product or quotient is the decimal correctly rounded to
    // single, as SingleFromField rounds it.
    constexpr std::uint64_t kExactInSingle = std::uint64_t{1} << 24;
    if (digits <= kExactInSingle && exponent >= -10 && exponent <= 10) {
        const float power = detail::kExactSinglePowersOfTen[exponent < 0 ? -exponent : exponent];
        const float single =
            exponent < 0 ? static_cast<float>(digits) / power : static_cast<float>(digits) * power;
        value = negative ? -single : single;
        return true;
    }
    // Both factors exact doubles: the decimal correctly rounded to double, well inside the normal
    // single range.
    constexpr std::uint64_t kExactInDouble = std::uint64_t{1} << 53;
    if (digits > kExactInDouble || exponent < -22 || exponent > 22) {
        return false;
    }
    const double power = detail::kExactPowersOfTen[exponent < 0 ? -exponent : exponent];
    const double rounded =
        exponent < 0 ? static_cast<double>(digits) / power : static_cast<double>(digits) * power;
    // Rounding that double to single gives the decimal rounded once to single unless the double
    // landed exactly on a midpoint between two singles (its 29 bits below a single's last one are
    // 1 followed by zeros); only then could the second rounding go the wrong way.
    constexpr std::uint64_t kBelowSingle = (std::uint64_t{1} << 29) - 1;
    constexpr std::uint64_t kMidpoint = std::uint64_t{1} << 28;
    if ((std::bit_cast<std::uint64_t>(rounded) & kBelowSingle) == kMidpoint) {
        return false;
    }
    const auto single = static_cast<float>(rounded);
    value = negative ? -single : single;
    return true;
}

// Eight-digit chunks as SWAR numbers: `count` digit bytes (0 to 9 each, the first in the lowest
// byte) at the bottom of `chunk`, their value as one number.
inline std::uint64_t ChunkValue(std::uint64_t chunk, int count) {
    // The digits moved to the top, behind leading zeros, then combined pairwise: eight digits to
    // four numbers of two, to two of four, to one of eight.
    chunk <<= 8 * (8 - count);
    chunk = chunk * 10 + (chunk >> 8);
    return (((chunk & 0x000000FF000000FFU) * (100 + (1000000ULL << 32))) +
            (((chunk >> 16) & 0x000000FF000000FFU) * (1 + (10000ULL << 32)))) >>
           32;
}

// A field of 1 to 8 bytes, of which 8 from `first` can be read: an optional minus, then digits
// with at most one point, as most curve values are ("0.35", "-10", "600"). All its bytes are judged
// at once, so nothing waits for the end of the integer part to find the fraction. False for any
// other field, and for a value SingleFromDecimal leaves to another route.
inline bool QuickShortDecimal(const char* first, std::size_t length, float& value) {
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    } else {
        std::uint64_t bytes;
        std::memcpy(&bytes, first, sizeof bytes);
        const bool negative = *first == '-';
        if (negative) {
            bytes >>= 8;
            --length;
        }
        if (length == 0) {
            return false;
        }
        constexpr std::uint64_t kHighBits = 0x8080808080808080U;
        constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FU;
        const std::uint64_t inField =
            kHighBits & (length == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * length)) - 1);
        // Digits become 0 to 9, the point 0x1E. Each test below keeps within its byte.
        const std::uint64_t values = bytes ^ 0x3030303030303030U;
        const std::uint64_t notDigits =
            (((values & kLowBits) + 0x7676767676767676U) | values) & inField;
        const std::uint64_t notPoint = values ^ 0x1E1E1E1E1E1E1E1EU;
        const std::uint64_t points = ~(((notPoint & kLowBits) + kLowBits) | notPoint) & inField;
        if ((notDigits & ~points) != 0 || (points & (points - 1)) != 0) {
            return false;
        }
        // The point squeezed out: the bytes after it move down by one, and the digits are read as
        // one number.
        const int digitCount = static_cast<int>(length) - (points != 0 ? 1 : 0);
        if (digitCount == 0) {
            return false;
        }
        const std::uint64_t before = points == 0 ? ~std::uint64_t{0} : (points ^ (points - 1)) >> 8;
        const std::uint64_t digits = (values & before) | ((values >> 8) & ~before);
        const int fractionLength =
            points == 0 ? 0 : static_cast<int>(length) - 1 - std::countr_zero(points) / 8;
        return SingleFromDecimal(ChunkValue(digits, digitCount), -fractionLength, negative, value);
    }
}

} // namespace detail

// The quick route for a field that is no short decimal (see QuickSingleFromField).
bool QuickSingleFromLongerField(const char* first, const char* last, const char* readable,
                                float& value);

// The quick route of SingleFromField for the whole field [first, last), as the curve loader meets
// them: a short plain decimal (at most 19 digits, an exponent of at most 4 digits) whose value the
// hardware rounds exactly. Stores the single and returns true; returns false, storing nothing, for
// anything else, which SingleFromField must then judge. Whatever it converts, SingleFromField
// converts to the same bits. Bytes up to `readable` (at least `last`) may be read, so that digits
// can be taken eight at a time up to the end of a field inside a longer line.
inline bool QuickSingleFromField(const char* first, const char* last, const char* readable,
                                 float& value) {
    if (last - first >= 1 && last - first <= 8 && readable - first >= 8 &&
        detail::QuickShortDecimal(first, static_cast<std::size_t>(last - first), value)) {
        return true;
    }
    return QuickSingleFromLongerField(first, last, readable, value);
}

// The same for a field that may be read only up to its end.
inline bool QuickSingleFromField(std::string_view field, float& value) {
    return QuickSingleFromField(field.data(), field.data() + field.size(),
                                field.data() + field.size(), value);
}

} // namespace tetrode

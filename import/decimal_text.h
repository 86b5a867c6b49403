// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace tetrode {

enum class DecimalStatus {
    Number,
    // No digits where the number must start, or more text after it than the caller allows.
    NotANumber,
    // A magnitude beyond single precision.
    OutOfRange,
};

struct Decimal {
    DecimalStatus status = DecimalStatus::NotANumber;
    double value = 0.0;
    std::size_t length = 0; // the bytes of the text the number took
};

// The number at the start of `text` as digitizers write them: with `sign`, an optional sign (+, -
// or U+2212, which Engauge writes in some locales); digits with at most one decimal mark (any one
// character of `marks`); an optional exponent (e or E, an optional sign, digits). Never nan, inf or
// hexadecimal. A magnitude too small for a double reads 0.
Decimal ReadDecimalStart(std::string_view text, std::string_view marks, bool sign);

// The whole of `text` as one such number (NotANumber when anything follows it).
Decimal ReadDecimal(std::string_view text, std::string_view marks);

} // namespace tetrode

// SPDX-License-Identifier: MIT
#pragma once

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

} // namespace tetrode

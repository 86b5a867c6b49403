// SPDX-License-Identifier: MIT
#include "platform/checked_math.h"

#include "platform/fault.h"

#include <cmath>
#include <limits>
#include <string>

namespace tetrode {
namespace {

[[noreturn]] void Raise(FaultKind kind, std::string_view quantity) {
    throw Fault(kind, "cannot compute the " + std::string(quantity));
}

} // namespace

double CheckedDivide(double numerator, double denominator, std::string_view quantity) {
    if (denominator == 0.0) {
        Raise(numerator == 0.0 || std::isnan(numerator) ? FaultKind::Overflow
                                                        : FaultKind::DivisionByZero,
              quantity);
    }
    return CheckedFinite(numerator / denominator, quantity);
}

double CheckedFinite(double value, std::string_view quantity) {
    if (!std::isfinite(value)) {
        Raise(FaultKind::Overflow, quantity);
    }
    return value;
}

float CheckedToSingle(double value, std::string_view quantity) {
    // Round-to-nearest takes a magnitude to infinity from half an ulp above the largest single on;
    // below that it ends at the largest single. The range is tested first because converting an
    // out-of-range double to float is undefined behaviour in C++.
    constexpr double largest = std::numeric_limits<float>::max();
    constexpr double overflowThreshold = largest + 0x1p103; // half an ulp of the largest single
    const double magnitude = std::fabs(CheckedFinite(value, quantity));
    if (magnitude >= overflowThreshold) {
        Raise(FaultKind::Overflow, quantity);
    }
    if (magnitude > largest) {
        return static_cast<float>(std::copysign(largest, value));
    }
    return static_cast<float>(value);
}

} // namespace tetrode

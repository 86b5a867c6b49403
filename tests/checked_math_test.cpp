// SPDX-License-Identifier: MIT
#include "platform/checked_math.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace tetrode {
namespace {

// Each row computes this with one helper: the value it passes, or the fault it raises, whose
// message must name the quantity.
constexpr std::string_view kQuantity = "anode impedance";

TEST(CheckedMath, PassesFiniteResultsAndRaisesTheFaultOfEachFailure) {
    using Op = double (*)(double, double);
    const Op divide = [](double n, double d) { return CheckedDivide(n, d, kQuantity); };
    const Op finite = [](double v, double) { return CheckedFinite(v, kQuantity); };
    const Op single = [](double v, double) { return double{CheckedToSingle(v, kQuantity)}; };
    constexpr std::optional<FaultKind> kPasses;
    constexpr auto kDivZero = FaultKind::DivisionByZero, kOverflow = FaultKind::Overflow;
    const double nan = std::nan("");
    const double halfUlp = std::ldexp(1.0, 103); // of the largest single: from here on, infinity
    const auto below = [](double x) { return std::nextafter(x, 0.0); };
    // clang-format off
    const struct { const char* name; Op op; double a, b, value; std::optional<FaultKind> fault;
    } cases[] = {
        {"quotient", divide, 300, 250, 1.2, kPasses},
        {"underflow to zero is no fault", divide, 1e-300, 1e300, 0, kPasses},
        {"one over zero", divide, 1, 0, 0, kDivZero},
        {"minus one over minus zero", divide, -1, -0.0, 0, kDivZero},
        {"zero over zero", divide, 0, 0, 0, kOverflow},
        {"not a number over zero", divide, nan, 0, 0, kOverflow},
        {"negative quotient beyond the double range", divide, -1e308, 1e-10, 0, kOverflow},
        {"largest double", finite, -DBL_MAX, 0, -DBL_MAX, kPasses},
        {"infinity", finite, HUGE_VAL, 0, 0, kOverflow},
        {"not a number", finite, nan, 0, 0, kOverflow},
        {"largest single", single, FLT_MAX, 0, FLT_MAX, kPasses},
        {"last double below half-way", single, below(FLT_MAX + halfUlp), 0, FLT_MAX, kPasses},
        {"negative, just past the largest", single, -FLT_MAX - halfUlp / 2, 0, -FLT_MAX, kPasses},
        {"half-way rounds to infinity", single, FLT_MAX + halfUlp, 0, 0, kOverflow},
        {"negative beyond the single range", single, -1e39, 0, 0, kOverflow},
        {"not a number to single", single, nan, 0, 0, kOverflow},
        {"rounds to nearest", single, 1.4, 0, 1.4F, kPasses},
        {"below the single range reads as zero", single, 1e-50, 0, 0, kPasses},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            EXPECT_EQ(c.op(c.a, c.b), c.value);
            EXPECT_EQ(c.fault, kPasses);
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.fault);
            EXPECT_NE(std::string(fault.what()).find(kQuantity), std::string::npos) << fault.what();
        }
    }
}

} // namespace
} // namespace tetrode

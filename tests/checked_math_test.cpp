// SPDX-License-Identifier: MIT
#include "platform/checked_math.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

namespace tetrode {
namespace {

// The fault kind an action raises, or none when it completes.
std::optional<FaultKind> FaultOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Fault& fault) {
        return fault.kind();
    }
    return std::nullopt;
}

TEST(CheckedDivide, RaisesTheFaultOfEachFailingQuotient) {
    const struct {
        const char* name;
        double numerator;
        double denominator;
        FaultKind kind;
    } cases[] = {
        {"one over zero", 1.0, 0.0, FaultKind::DivisionByZero},
        {"minus one over zero", -1.0, 0.0, FaultKind::DivisionByZero},
        {"one over minus zero", 1.0, -0.0, FaultKind::DivisionByZero},
        {"zero over zero", 0.0, 0.0, FaultKind::Overflow},
        {"minus zero over zero", -0.0, 0.0, FaultKind::Overflow},
        {"quotient beyond the double range", 1e308, 1e-10, FaultKind::Overflow},
        {"negative quotient beyond the range", -1e308, 1e-10, FaultKind::Overflow},
        {"largest over a half", DBL_MAX, 0.5, FaultKind::Overflow},
        {"not a number over one", std::nan(""), 1.0, FaultKind::Overflow},
        {"not a number over zero", std::nan(""), 0.0, FaultKind::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FaultOf([&] { CheckedDivide(c.numerator, c.denominator, "ratio"); }), c.kind);
    }
}

TEST(CheckedDivide, PassesFiniteQuotients) {
    const struct {
        const char* name;
        double numerator;
        double denominator;
        double expected;
    } cases[] = {
        {"plain", 300.0, 250.0, 1.2},
        {"zero over a number", 0.0, 5.0, 0.0},
        {"largest over one", DBL_MAX, 1.0, DBL_MAX},
        {"underflow to zero is no fault", 1e-300, 1e300, 0.0},
        {"negative", -2000.0, 4.0, -500.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckedDivide(c.numerator, c.denominator, "ratio"), c.expected);
    }
}

TEST(CheckedFinite, PassesFiniteAndRaisesOverflowOtherwise) {
    EXPECT_EQ(CheckedFinite(-DBL_MAX, "power"), -DBL_MAX);
    EXPECT_EQ(CheckedFinite(4.9406564584124654e-324, "power"), 4.9406564584124654e-324);
    for (const double value : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(FaultOf([&] { CheckedFinite(value, "power"); }), FaultKind::Overflow);
    }
}

TEST(CheckedToSingle, RoundsWithinTheSingleRangeAndRaisesOverflowBeyond) {
    // Half a unit in the last place of the largest single: from there on rounding to nearest
    // gives infinity, below it the largest single.
    const double halfUlp = std::ldexp(1.0, 103);
    const struct {
        const char* name;
        double value;
        std::optional<float> expected; // none: an overflow fault
    } cases[] = {
        {"largest single exactly", FLT_MAX, FLT_MAX},
        {"negative largest single", -FLT_MAX, -FLT_MAX},
        {"just above, still rounds to the largest", FLT_MAX + halfUlp / 2, FLT_MAX},
        {"negative just above, still rounds", -(FLT_MAX + halfUlp / 2), -FLT_MAX},
        {"last double below the half-way point", std::nextafter(FLT_MAX + halfUlp, 0.0), FLT_MAX},
        {"half-way point rounds to infinity", FLT_MAX + halfUlp, std::nullopt},
        {"3.5e38", 3.5e38, std::nullopt},
        {"-1e39", -1e39, std::nullopt},
        {"largest double", DBL_MAX, std::nullopt},
        {"not a number", std::nan(""), std::nullopt},
        {"infinity", HUGE_VAL, std::nullopt},
        {"ordinary value rounds to nearest", 1.4, 1.4f},
        {"below the single range reads as zero", 1e-50, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected) {
            EXPECT_EQ(CheckedToSingle(c.value, "voltage ratio"), *c.expected);
        } else {
            EXPECT_EQ(FaultOf([&] { CheckedToSingle(c.value, "voltage ratio"); }),
                      FaultKind::Overflow);
        }
    }
}

TEST(CheckedMath, FaultMessagesNameTheQuantity) {
    const struct {
        const char* name;
        std::function<void()> action;
    } cases[] = {
        {"division by zero", [] { CheckedDivide(1.0, 0.0, "anode impedance"); }},
        {"zero over zero", [] { CheckedDivide(0.0, 0.0, "anode impedance"); }},
        {"not finite", [] { CheckedFinite(HUGE_VAL, "anode impedance"); }},
        {"beyond single", [] { CheckedToSingle(1e39, "anode impedance"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.action();
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_NE(std::string(fault.what()).find("anode impedance"), std::string::npos)
                << fault.what();
        }
    }
}

} // namespace
} // namespace tetrode

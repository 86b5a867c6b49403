// SPDX-License-Identifier: MIT
#include "analysis/session.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>

namespace tetrode {
namespace {

using namespace testing; // the shared test helpers: FaultOf, SessionState, TempFolder

// Curves with anode axis 200..600 V and grid axis 0..-40 V, taken at 250 V.
const std::string kLimitsFile = TETRODE_TEST_DATA "/window/limits-200-600.csv";
// The curve file format's worked example: anode 0..600 V, grid 10..-10 V, taken at 250 V.
const std::string kWorkedFile = TETRODE_TEST_DATA "/worked-example.csv";

// A class-C line on either file at its own screen voltage.
OperatingLineTexts Line(std::string screen = "250") {
    return {std::move(screen), "550", "-30", "250", "0"};
}

// The limits as the window shows them: "600 0 10 -10".
std::string Shown(const std::optional<DataLimits>& limits) {
    std::string shown;
    for (const std::string& text : FormatDataLimits(limits.value(), ".")) {
        shown += (shown.empty() ? "" : " ") + text;
    }
    return shown;
}

// A session starts without curves at ratio 1. Enter sets the voltage ratio only and redraws the
// limits; Calculate sets both factors and redraws the limits at its ratio; a completed Open starts
// afresh at ratio 1 with no figures.
TEST(Session, ScaleFactorsFollowEachAction) {
    Session session;
    EXPECT_FALSE(session.HasCurves());
    EXPECT_EQ(session.Scale(), (ScaleFactors{1.0F, 0.0F}));
    EXPECT_EQ(session.ScreenVoltageText(), "0");
    EXPECT_FALSE(session.Limits() || session.LastCalculation());
    session.Open(kWorkedFile);
    EXPECT_EQ(std::tuple(session.FileName(), session.ScreenVoltageText()),
              std::tuple("worked-example.csv", "250"));
    EXPECT_EQ(Shown(session.Limits()), "600 0 10 -10");

    EXPECT_EQ(Shown(session.SetScreenVoltage("300")), "720 0 12 -12");
    EXPECT_EQ(session.Scale(), (ScaleFactors{1.2F, 1.0F})) << "PowerRatio32 waits for Calculate";
    session.Calculate(Line("300"));
    session.Open(kLimitsFile);
    EXPECT_EQ(session.Scale(), (ScaleFactors{1.0F, 1.0F}));
    EXPECT_EQ(Shown(session.Limits()), "600 200 0 -40");
    EXPECT_FALSE(session.LastCalculation());

    // Typed at 360 without Enter: the limits follow the figures.
    const Calculation& calculation = session.Calculate(Line("360"));
    EXPECT_EQ(calculation.scale, (ScaleFactors{1.44F, 1.728F}));
    EXPECT_EQ(session.Scale(), calculation.scale);
    EXPECT_EQ(Shown(session.Limits()), "864.0001 288 0 -57.6");
    EXPECT_EQ(Shown(session.SetScreenVoltage("250")), "600 200 0 -40");
    EXPECT_EQ(session.Scale(), (ScaleFactors{1.0F, 1.728F}));
    EXPECT_EQ(session.LastCalculation()->texts, Line("360"));
}

// The user's decimal separator reads as a decimal point beside the full stop.
TEST(Session, ReadsTheLocalesDecimalSeparator) {
    Session session;
    session.Open(kLimitsFile);
    session.SetLocaleDecimalSeparator(",");
    EXPECT_EQ(session.Calculate({"250", "550", "-30,5", "250.5", "0"}).voltages,
              (OperatingVoltages{250, 550, -30.5, 250.5, 0}));
    EXPECT_EQ(Shown(session.SetScreenVoltage("312,5")), "750 250 0 -50");
}

// A failed action leaves everything a front end can see as it was, whatever came before.
TEST(Session, AFailedActionChangesNothing) {
    const TempFolder folder;
    // Anode voltages up to 3e38 V: their limits overflow single once the ratio passes about 1.13.
    const std::string huge = folder.Write(
        "huge.csv", "250\nEa,0,3e38\n0,1,1\n-1,0,0\nScreen\n0,0,0\n-1,0,0\nsep\n0,0,0\n-1,0,0\n");
    // Curves taken at a negative screen voltage.
    const std::string negative =
        folder.Write("negative.csv",
                     "-250\nEa,0,100\n0,1,1\n-1,0,0\nScreen\n0,0,0\n-1,0,0\nsep\n0,0,0\n-1,0,0\n");
    using Action = std::function<void(Session&)>;
    const Action none = [](Session&) {};
    const Action open = [](Session& s) { s.Open(kLimitsFile); };
    const Action scaled = [](Session& s) {
        s.Open(kLimitsFile);
        s.SetScreenVoltage("300");
    };
    const Action calculated = [](Session& s) {
        s.Open(kLimitsFile);
        s.Calculate(Line());
    };
    const Action openNegative = [&negative](Session& s) { s.Open(negative); };
    const auto calculate = [](OperatingLineTexts texts) {
        return [texts](Session& s) { s.Calculate(texts); };
    };
    const auto enter = [](const char* text) {
        return [text](Session& s) { s.SetScreenVoltage(text); };
    };
    using enum FaultKind;
    // clang-format off
    const struct { const char* name; Action setup, action; FaultKind kind; } cases[] = {
        {"Open: a missing file", calculated, [](Session& s) { s.Open("/no/such.csv"); }, FileOpen},
        {"Open: a device that never ends", calculated, [](Session& s) { s.Open("/dev/zero"); },
         FileOpen},
        {"Open: a word for a current", scaled,
         [](Session& s) { s.Open(TETRODE_TEST_DATA "/window/bad-anode-current.csv"); }, TypeMismatch},
        {"Calculate: limits beyond single at its ratio", [&huge](Session& s) { s.Open(huge); },
         calculate({"300", "550", "-30", "250", "0"}), Overflow},
        {"Calculate: a refused text", calculated, calculate({"250", "3,000", "-30", "250", "0"}),
         InvalidArgument},
        {"Calculate before any load", none, calculate(Line()), InvalidArgument},
        {"Calculate: equal anode voltages", calculated, calculate({"250", "250", "-30", "250", "0"}),
         DivisionByZero},
        {"Calculate: a negative screen voltage", calculated, calculate(Line("-250")), InvalidArgument},
        {"Calculate: no anode current", open, calculate({"250", "190", "-300", "150", "-200"}),
         DivisionByZero},
        {"Enter before any load", none, enter("300"), DivisionByZero},
        {"Enter before any load, box empty (0 / 0)", none, enter(""), Overflow},
        {"Enter: a negative screen voltage", scaled, enter("-300"), InvalidArgument},
        {"Enter: curves at a negative screen voltage", openNegative, enter("300"), InvalidArgument},
        {"Enter: ratio beyond single", scaled, enter("1e300"), Overflow},
        {"Enter: limits beyond single", scaled, enter("3e38"), Overflow},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Session session;
        c.setup(session);
        const auto before = SessionState(session);
        EXPECT_EQ(FaultOf([&] { c.action(session); }).kind(), c.kind);
        EXPECT_TRUE(SessionState(session) == before);
    }
}

// Faults carry their place as data: the input box by its name, or the file by name and line.
TEST(Session, FaultsNameTheirPlace) {
    Session session;
    session.Open(kLimitsFile);
    EXPECT_EQ(FaultOf([&] {
                  session.Calculate({"250", "550", "-30", "1e999", "0"});
              }).place(),
              FaultPlace(InputPlace{"Min Anode Volts"}));
    EXPECT_EQ(FaultOf([&] { session.SetScreenVoltage("&H" + std::string(300, 'F')); }).place(),
              FaultPlace(InputPlace{"Screen Bias"}));
    EXPECT_EQ(
        FaultOf([&] { session.Open(TETRODE_TEST_DATA "/window/bad-anode-current.csv"); }).place(),
        FaultPlace(FilePlace{"bad-anode-current.csv", 4, 3}));
}

} // namespace
} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "analysis/data_limits.h"

#include "analysis/load_line.h"
#include "platform/checked_math.h"
#include "platform/fault.h"
#include "platform/number_text.h"

namespace tetrode {
namespace {

// An axis entry in operating scale: the product of two singles formed in double and rounded
// once, so 600 x 1.44 shows 864.0001 as the single product does.
float Limit(float entry, float voltageRatio, std::string_view quantity) {
    return CheckedToSingle(static_cast<double>(entry) * static_cast<double>(voltageRatio),
                           quantity);
}

} // namespace

DataLimits ComputeDataLimits(const CurveTable& curves, float voltageRatio) {
    if (curves.empty()) {
        throw Fault(FaultKind::SubscriptOutOfRange, "no curves are loaded");
    }
    const std::vector<float>& anode = curves.AnodeVoltages();
    const std::vector<float>& grid = curves.GridVoltages();
    return {
        Limit(anode.back(), voltageRatio, "maximum anode voltage limit"),
        Limit(anode.front(), voltageRatio, "minimum anode voltage limit"),
        Limit(grid.front(), voltageRatio, "maximum grid voltage limit"),
        Limit(grid.back(), voltageRatio, "minimum grid voltage limit"),
    };
}

std::array<std::string, 4> FormatDataLimits(const DataLimits& limits,
                                            std::string_view decimalSeparator) {
    // A zero product of a negative factor shows "0": the general form has no negative zero.
    return {FormatGeneralSingle(limits.MaxAnodeVoltage, decimalSeparator),
            FormatGeneralSingle(limits.MinAnodeVoltage, decimalSeparator),
            FormatGeneralSingle(limits.MaxGridVoltage, decimalSeparator),
            FormatGeneralSingle(limits.MinGridVoltage, decimalSeparator)};
}

float VoltageRatioFromTexts(std::string_view screenBias, std::string_view dataSheetScreenV,
                            std::string_view localeSeparator) {
    // Worded as Calculate words the same ratio, so the user meets one name for it.
    constexpr std::string_view quantity =
        "voltage ratio (screen voltage / data-sheet screen voltage)";
    const double screen = ReadTypedVoltage(screenBias, input_name::ScreenBias, localeSeparator);
    const double dataSheet = ReadTypedVoltage(dataSheetScreenV, "Screen Voltage", localeSeparator);
    const double ratio = CheckedDivide(screen, dataSheet, quantity);
    // A negative screen voltage has no 3/2 power and turns the limits upside down; Calculate
    // refuses it the same way.
    if (screen < 0.0 || dataSheet < 0.0) {
        throw Fault(FaultKind::InvalidArgument,
                    "the screen voltage must be positive: both the screen voltage typed and the "
                    "data-sheet screen voltage shown");
    }
    return CheckedToSingle(ratio, quantity);
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "window/data_limits.h"

#include "platform/checked_math.h"
#include "platform/fault.h"
#include "platform/number_text.h"

#include <string>
#include <vector>

namespace tetrode {
namespace {

// An axis entry in operating scale: the product of two singles formed in double and rounded
// once, so 600 x 1.44 shows 864.0001 as the single product does.
std::string LimitText(float entry, float voltageRatio, std::string_view quantity,
                      std::string_view decimalSeparator) {
    // A zero product of a negative factor shows "0": the general form has no negative zero.
    return FormatGeneralSingle(
        CheckedToSingle(static_cast<double>(entry) * static_cast<double>(voltageRatio), quantity),
        decimalSeparator);
}

const std::vector<float>& NonEmpty(const std::vector<float>& axis, std::string_view name) {
    if (axis.empty()) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the " + std::string(name) + " axis holds no voltage");
    }
    return axis;
}

} // namespace

std::array<LabelText, 4> DatasheetLimitTexts(const CurveTable& curves, float voltageRatio,
                                             std::string_view decimalSeparator) {
    const std::vector<float>& anode = NonEmpty(curves.AnodeVoltages, "anode-voltage");
    const std::vector<float>& grid = NonEmpty(curves.GridVoltages, "grid-voltage");
    return {{
        {"lblMaxAnodeVDatasheet",
         LimitText(anode.back(), voltageRatio, "maximum anode voltage limit", decimalSeparator)},
        {"lblMinAnodeVDatasheet",
         LimitText(anode.front(), voltageRatio, "minimum anode voltage limit", decimalSeparator)},
        {"lblMaxGridVDatasheet",
         LimitText(grid.front(), voltageRatio, "maximum grid voltage limit", decimalSeparator)},
        {"lblMinGridVDatasheet",
         LimitText(grid.back(), voltageRatio, "minimum grid voltage limit", decimalSeparator)},
    }};
}

float VoltageRatioFromTexts(std::string_view screenBias, std::string_view dataSheetScreenV) {
    // Worded as Calculate words the same ratio, so the user meets one name for it.
    constexpr std::string_view quantity =
        "voltage ratio (screen voltage / data-sheet screen voltage)";
    const double screen = NumberFromText(screenBias);
    const double dataSheet = NumberFromText(dataSheetScreenV);
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

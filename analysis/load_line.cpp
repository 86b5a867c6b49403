// SPDX-License-Identifier: MIT
#include "analysis/load_line.h"

#include "analysis/grid_interpolation.h"
#include "platform/checked_math.h"
#include "platform/fault.h"
#include "platform/number_text.h"

#include <cmath>

namespace tetrode {
namespace {

constexpr std::string_view kVoltageRatio =
    "voltage ratio (screen voltage / data-sheet screen voltage)";

// Half a turn as this calculator has always written it, 5.9e-10 short of pi. Kept rather than
// replaced by pi so that every point, and every figure derived from it, stays the same to the last
// digit shown.
constexpr double kHalfTurn = 3.141592653;

// Where Points B to F lie, as fractions of the way from G to A. They are the positions the
// twelfth-part weighted sums of the operating figures were made for, so they are kept exactly.
struct Placement {
    LinePoint point;
    double fraction;
    std::string_view anodeName;
    std::string_view gridName;
};

// In the order the points are placed: F nearest G first.
constexpr std::array<Placement, 5> kPlacements{{
    {LinePoint::F, 0.261, "anode voltage of Point F", "grid voltage of Point F"},
    {LinePoint::E, 0.501, "anode voltage of Point E", "grid voltage of Point E"},
    {LinePoint::D, 0.706, "anode voltage of Point D", "grid voltage of Point D"},
    {LinePoint::C, 0.867, "anode voltage of Point C", "grid voltage of Point C"},
    {LinePoint::B, 0.968, "anode voltage of Point B", "grid voltage of Point B"},
}};

// The order of the interpolation calls: from the quiescent point towards the peak point.
constexpr std::array<LinePoint, 7> kInterpolationOrder{
    LinePoint::G, LinePoint::F, LinePoint::E, LinePoint::D,
    LinePoint::C, LinePoint::B, LinePoint::A,
};

} // namespace

double ReadTypedVoltage(std::string_view text, std::string_view input,
                        std::string_view localeSeparator) {
    try {
        return NumberFromText(text, localeSeparator);
    } catch (const Fault& fault) {
        throw fault.At(InputPlace{std::string(input)});
    }
}

OperatingVoltages ReadOperatingLine(const OperatingLineTexts& texts,
                                    std::string_view localeSeparator) {
    OperatingVoltages line;
    line.ScreenBias = ReadTypedVoltage(texts.ScreenBias, input_name::ScreenBias, localeSeparator);
    line.AnodeBias = ReadTypedVoltage(texts.AnodeBias, input_name::AnodeBias, localeSeparator);
    line.GridBias = ReadTypedVoltage(texts.GridBias, input_name::GridBias, localeSeparator);
    line.MinAnode = ReadTypedVoltage(texts.MinAnode, input_name::MinAnode, localeSeparator);
    line.PeakGrid = ReadTypedVoltage(texts.PeakGrid, input_name::PeakGrid, localeSeparator);
    return line;
}

ScaleFactors ScaleFactorsFor(double screenVoltage, float dataSheetScreenV) {
    const double ratio = CheckedDivide(screenVoltage, dataSheetScreenV, kVoltageRatio);
    // A negative ratio has no real 1.5th power, and two negative screen voltages would turn the
    // screen dissipation negative.
    if (screenVoltage < 0.0 || dataSheetScreenV < 0.0F) {
        throw Fault(FaultKind::InvalidArgument,
                    "the screen voltage must be positive: both the screen voltage typed and the "
                    "data-sheet screen voltage of the curves");
    }
    ScaleFactors scale;
    scale.VoltageRatio = CheckedToSingle(ratio, kVoltageRatio);
    scale.PowerRatio32 = CheckedToSingle(std::pow(static_cast<double>(scale.VoltageRatio), 1.5),
                                         "current ratio (voltage ratio to the power 1.5)");
    return scale;
}

LoadLineSamples SampleLoadLine(const CurveTable& table, ScaleFactors scale,
                               const OperatingVoltages& line) {
    const double voltageRatio = scale.VoltageRatio;
    LoadLineSamples samples;
    SamplePoint& g = samples[LinePoint::G];
    SamplePoint& a = samples[LinePoint::A];
    g.Anode = CheckedDivide(line.AnodeBias, voltageRatio, "anode voltage of Point G");
    g.Grid = CheckedDivide(line.GridBias, voltageRatio, "grid voltage of Point G");
    a.Anode = CheckedDivide(line.MinAnode, voltageRatio, "anode voltage of Point A");
    a.Grid = CheckedDivide(line.PeakGrid, voltageRatio, "grid voltage of Point A");

    const double anodeSwing = CheckedFinite(g.Anode - a.Anode, "anode voltage swing");
    const double gridSwing = CheckedFinite(g.Grid - a.Grid, "grid voltage swing");
    const double length = CheckedFinite(std::sqrt(anodeSwing * anodeSwing + gridSwing * gridSwing),
                                        "length of the operating line");
    const double slope = CheckedDivide(gridSwing, anodeSwing, "slope of the operating line");
    // The arctangent lies within a quarter turn of zero; the half turn points every step from G
    // towards lower anode voltage.
    const double angle = std::atan(slope) + kHalfTurn;
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);

    for (const Placement& placement : kPlacements) {
        SamplePoint& point = samples[placement.point];
        const double distance = length * placement.fraction;
        point.Anode = CheckedFinite(g.Anode + distance * cosine, placement.anodeName);
        point.Grid = CheckedFinite(g.Grid + distance * sine, placement.gridName);
    }

    for (const LinePoint letter : kInterpolationOrder) {
        SamplePoint& point = samples[letter];
        const InterpolatedCurrents currents =
            GridInterpolation(table, point.Anode, point.Grid, scale.PowerRatio32);
        point.Ib = currents.Ib;
        point.Ic1 = currents.Ic1;
        point.Ic2 = currents.Ic2;
    }
    return samples;
}

} // namespace tetrode

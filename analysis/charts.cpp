// SPDX-License-Identifier: MIT
#include "analysis/charts.h"

#include "analysis/line_warnings.h"
#include "platform/checked_math.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace tetrode {
namespace {

constexpr double kMilli = 1000.0;

// Every stride-th entry keeps a table of any size within `maxCells` cells along each axis.
int StrideFor(const CurveTable& curves, int maxCells) {
    const int cells = std::max(curves.NumAnodePoints(), curves.NumGridCurves()) - 1;
    const int limit = std::max(1, maxCells);
    return std::max(1, (cells + limit - 1) / limit);
}

PlaneRect Including(PlaneRect rect, PlanePoint point) {
    rect.low = {std::min(rect.low.anode, point.anode), std::min(rect.low.grid, point.grid)};
    rect.high = {std::max(rect.high.anode, point.anode), std::max(rect.high.grid, point.grid)};
    return rect;
}

// A chart cannot span nothing: a range of one value is opened on either side by a volt, or by a
// twentieth of the value where a volt would be lost in its rounding.
void Open(double& low, double& high) {
    if (!(high > low)) {
        const double half = std::max(1.0, std::abs(low) * 0.05);
        low -= half;
        high += half;
    }
}

PlaneRect Opened(PlaneRect rect) {
    Open(rect.low.anode, rect.high.anode);
    Open(rect.low.grid, rect.high.grid);
    return rect;
}

std::optional<double> Difference(std::optional<double> sevenPoint, std::optional<double> cycle) {
    if (!sevenPoint || !cycle || *sevenPoint == 0.0) {
        return std::nullopt;
    }
    const double difference = (*cycle - *sevenPoint) / std::abs(*sevenPoint) * 100.0;
    return std::isfinite(difference) ? std::optional(difference) : std::nullopt;
}

// A value that is not finite once in the unit shown is left out rather than shown.
std::optional<double> Shown(std::optional<double> value) {
    return value && std::isfinite(*value) ? value : std::nullopt;
}

ComparisonRow Row(std::string_view caption, std::string_view unit, std::string_view pattern,
                  std::optional<double> sevenPoint, std::optional<double> cycle) {
    sevenPoint = Shown(sevenPoint);
    cycle = Shown(cycle);
    return {caption, unit, pattern, sevenPoint, cycle, Difference(sevenPoint, cycle)};
}

std::vector<ComparisonRow> ComparisonRows(const Calculation& calculation,
                                          const CycleAnalysis& cycle) {
    std::vector<ComparisonRow> rows;
    for (const FigureInfo& info : Figures()) {
        rows.push_back(Row(info.caption, info.unit, info.pattern,
                           FigureValue(calculation.figures, info.figure) * info.displayScale,
                           FigureValue(cycle.figures, info.figure) * info.displayScale));
    }
    const OperatingParameters& seven = calculation.figures;
    const CycleComponents& c = cycle.components;
    // The seven-point fundamental is not kept among the figures; the output power holds it.
    std::optional<double> sevenFundamental;
    if (seven.PeakAnodeRFVolts != 0.0) {
        sevenFundamental = seven.OutputPower / (0.5 * seven.PeakAnodeRFVolts) * kMilli;
    }
    rows.push_back(
        Row("Anode current, fundamental", "mA", "###0.0", sevenFundamental, c.anode[0] * kMilli));
    constexpr std::string_view kHarmonicCaptions[] = {
        "Anode current, 2nd harmonic", "Anode current, 3rd harmonic", "Anode current, 4th harmonic",
        "Anode current, 5th harmonic"};
    for (std::size_t n = 1; n < c.anode.size(); ++n) {
        rows.push_back(
            Row(kHarmonicCaptions[n - 1], "mA", "###0.0", std::nullopt, c.anode[n] * kMilli));
    }
    rows.push_back(Row("Screen current, fundamental", "mA", "###0.0", std::nullopt,
                       c.screenFundamental * kMilli));
    rows.push_back(
        Row("Grid current, fundamental", "mA", "###0.0", std::nullopt, c.gridFundamental * kMilli));
    // The power the driver delivers at the fundamental, which the figure above estimates from the
    // DC grid current.
    rows.push_back(Row("Driving power from the grid fundamental", "W", "##0.0", std::nullopt,
                       0.5 * c.gridFundamental * cycle.figures.PeakGridRFVolts));
    rows.push_back(
        Row("Anode conduction angle", "degrees", "##0.0", std::nullopt, cycle.conduction.anode));
    rows.push_back(
        Row("Screen conduction angle", "degrees", "##0.0", std::nullopt, cycle.conduction.screen));
    rows.push_back(
        Row("Grid conduction angle", "degrees", "##0.0", std::nullopt, cycle.conduction.grid));
    rows.push_back(Row("Cycle outside the digitized data", "degrees", "##0.0", std::nullopt,
                       cycle.outsideDegrees));
    return rows;
}

// The drive angle at which the cycle passes a sampled point, from where the point lies between G
// (90°) and A (0°) in anode voltage; beyond G when the line runs the other way.
double DriveAngle(const SamplePoint& point, const SamplePoint& a, const SamplePoint& g) {
    const double fraction = (point.Anode - g.Anode) / (a.Anode - g.Anode);
    // A calculated line never has A and G at one anode voltage; were it so, G's angle is shown.
    if (!std::isfinite(fraction)) {
        return 90.0;
    }
    return std::acos(std::clamp(fraction, -1.0, 1.0)) * (180.0 / std::numbers::pi);
}

void AppendNumber(std::string& text, std::optional<double> value) {
    if (!value) {
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
    text.append(buffer, result.ptr);
}

void AppendField(std::string& text, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        text.append(field);
        return;
    }
    text.push_back('"');
    for (const char c : field) {
        if (c == '"') {
            text.push_back('"');
        }
        text.push_back(c);
    }
    text.push_back('"');
}

} // namespace

ChartModel BuildCharts(const Session& session, const ChartOptions& options) {
    ChartModel model;
    const CurveTable& curves = session.Curves();
    if (curves.AnodeVoltages().empty() || curves.GridVoltages().empty()) {
        return model;
    }
    model.hasCurves = true;
    const std::optional<Calculation>& calculation = session.LastCalculation();
    if (calculation && calculation->scale.VoltageRatio == session.Scale().VoltageRatio) {
        model.scale = calculation->scale;
        model.lineState = LineState::Drawn;
    } else {
        model.scale.VoltageRatio = session.Scale().VoltageRatio;
        model.scale.PowerRatio32 =
            CheckedToSingle(std::pow(static_cast<double>(model.scale.VoltageRatio), 1.5),
                            "current ratio (voltage ratio to the power 1.5)");
        model.lineState = calculation ? LineState::OtherScreenVoltage : LineState::NotCalculated;
    }
    const double ratio = model.scale.VoltageRatio;

    const auto [anodeLow, anodeHigh] = std::ranges::minmax(curves.AnodeVoltages());
    const auto [gridLow, gridHigh] = std::ranges::minmax(curves.GridVoltages());
    model.data = {{anodeLow * ratio, gridLow * ratio}, {anodeHigh * ratio, gridHigh * ratio}};
    model.home = model.data;

    // The traced levels of each family, at the chart's scale.
    std::array<std::vector<double>, 3> tracedLevels;
    if (const std::optional<TracedChart>& traced = session.Traced()) {
        model.imported = true;
        for (const TracedCurve& curve : traced->curves) {
            const auto f = static_cast<std::size_t>(curve.family);
            tracedLevels[f].push_back(curve.current * model.scale.PowerRatio32);
            for (const PlanePoint& point : curve.points) {
                model.traced[f].push_back({point.anode * ratio, point.grid * ratio});
                model.home = Including(model.home, model.traced[f].back());
            }
        }
        if (traced->largestResidualAt) {
            model.largestResidualAt = {traced->largestResidualAt->anode * ratio,
                                       traced->largestResidualAt->grid * ratio};
        }
        model.largestResidual = traced->largestResidual;
        model.importNotes = traced->notes;
    }

    model.stride = StrideFor(curves, options.maxCellsPerAxis);
    for (std::size_t f = 0; f < kCurrentFamilies.size(); ++f) {
        FamilyContours& family = model.families[f];
        family.family = kCurrentFamilies[f];
        if (options.levels[f]) {
            family.levels = *options.levels[f];
        } else if (!tracedLevels[f].empty()) {
            // An import refuses a current traced twice in a family, so each level is one curve's.
            family.levels = std::move(tracedLevels[f]);
            std::ranges::sort(family.levels);
        } else {
            const CurrentRange range =
                CurrentRangeOf(curves, family.family, model.scale.PowerRatio32, model.stride);
            family.levels = NiceLevels(range.low, range.high);
        }
        family.lines =
            ContourLines(curves, family.family, family.levels, model.scale, model.stride);
    }

    if (model.lineState == LineState::Drawn) {
        const LoadLineSamples& samples = calculation->samples;
        const SamplePoint& a = samples[LinePoint::A];
        const SamplePoint& g = samples[LinePoint::G];
        const std::array<bool, 7> outside = PointsOutsideData(curves, samples);
        for (std::size_t k = 0; k < samples.points.size(); ++k) {
            const SamplePoint& sample = samples.points[k];
            model.markers[k] = {static_cast<LinePoint>(k),
                                {sample.Anode * ratio, sample.Grid * ratio},
                                sample,
                                outside[k]};
            model.markerTheta[k] = DriveAngle(sample, a, g);
            model.home = Including(model.home, model.markers[k].position);
        }
        const SamplePoint end = CyclePosition(a, g, 180.0);
        model.cycleStart = model.markers[0].position;
        model.cycleEnd = {end.Anode * ratio, end.Grid * ratio};
        model.cycle = AnalyseCycle(curves, samples, model.scale);
        model.comparison = ComparisonRows(*calculation, *model.cycle);
    }
    model.home = Opened(model.home);
    return model;
}

std::string ComparisonCsv(std::span<const ComparisonRow> rows) {
    std::string text("quantity,unit,seven-point,cycle,difference %\n");
    for (const ComparisonRow& row : rows) {
        AppendField(text, row.caption);
        text.push_back(',');
        AppendField(text, row.unit);
        text.push_back(',');
        AppendNumber(text, row.sevenPoint);
        text.push_back(',');
        AppendNumber(text, row.cycle);
        text.push_back(',');
        AppendNumber(text, row.differencePercent);
        text.push_back('\n');
    }
    return text;
}

} // namespace tetrode

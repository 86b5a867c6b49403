// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/contours.h"
#include "analysis/cycle_analysis.h"
#include "analysis/session.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the charts of a design show, worked out from the session without any toolkit: a charts
// window only turns this into series and texts.
namespace tetrode {

// The most cells a contour visits along either axis. A finer table is drawn from every n-th
// point and curve: the chart has fewer pixels than that across, and the contours stay within the
// time of a frame.
inline constexpr int kChartCellsPerAxis = 250;

struct ChartOptions {
    // Levels the user listed for each family (Anode, Screen, Grid), in amperes; none for the
    // automatic 1-2-5 levels.
    std::array<std::optional<std::vector<double>>, 3> levels;
    int maxCellsPerAxis = kChartCellsPerAxis;
};

struct PlaneRect {
    PlanePoint low;  // least anode and grid voltage
    PlanePoint high; // greatest anode and grid voltage

    friend bool operator==(const PlaneRect&, const PlaneRect&) = default;
};

struct FamilyContours {
    CurrentFamily family = CurrentFamily::Anode;
    std::vector<double> levels; // A, ascending
    std::vector<ContourLine> lines;
};

// One of Points A to G on the constant-current chart: its voltages in operating scale and its
// three currents as the calculation sampled them.
struct LineMarker {
    LinePoint point = LinePoint::A;
    PlanePoint position;
    SamplePoint sample;   // the calculation's own point (data-sheet volts, operating amperes)
    bool outside = false; // outside the digitized data (PointsOutsideData)
};

// Whether the operating line can be drawn on the charts.
enum class LineState {
    NotCalculated,      // no Calculate since the curves were loaded
    Drawn,              // the last calculation, at the screen voltage on show
    OtherScreenVoltage, // a screen voltage was entered after the last Calculate
};

// One row of the table beside the seven-point figures, in the units it is shown in.
struct ComparisonRow {
    std::string_view caption;
    std::string_view unit;
    std::string_view pattern; // display pattern of the values ("###0.0")
    std::optional<double> sevenPoint;
    std::optional<double> cycle;
    std::optional<double> differencePercent; // (cycle - seven-point) / |seven-point|, in %
};
// The pattern of the difference column.
inline constexpr std::string_view kDifferencePattern = "##0.00";

struct ChartModel {
    bool hasCurves = false;

    // The constant-current chart, in operating scale.
    ScaleFactors scale; // the factors the chart is drawn at
    int stride = 1;     // every stride-th point and curve is contoured
    PlaneRect data;     // the digitized data
    std::array<FamilyContours, 3> families;
    LineState lineState = LineState::NotCalculated;
    // Drawn only: the line over the whole cycle, from A (0°) to beyond G (±180°), and A to G.
    PlanePoint cycleStart;
    PlanePoint cycleEnd;
    std::array<LineMarker, 7> markers{};
    // What the chart shows before any zoom: the data and Points A to G. The line runs on beyond
    // G to the edge, whatever part of the cycle lies beyond the view.
    PlaneRect home;

    // An imported design's traced chart (Session::Traced): each family's traced points in
    // operating scale, where the largest residual lies, and that and the import's notes in words.
    // A family traced is contoured at its traced currents, unless levels are typed, so that its
    // points lie on their contours as far as the table fits them.
    bool imported = false;
    std::array<std::vector<PlanePoint>, 3> traced;
    std::optional<PlanePoint> largestResidualAt;
    std::string largestResidual;
    std::vector<std::string> importNotes;

    // Drawn only: the cycle, and the drive angle (degrees) of each of Points A to G.
    std::optional<CycleAnalysis> cycle;
    std::array<double, 7> markerTheta{};
    std::vector<ComparisonRow> comparison;
};

// The charts of `session`. Drawn at the scale of the last calculation when the screen voltage on
// show is still the one it used, so that markers, currents and contours agree; otherwise at the
// voltage ratio on show (currents times its 1.5th power), without the line. Traced points are
// scaled as the curves are: voltages times the ratio. Raises the faults of
// AnalyseCycle, and overflow for a ratio whose 1.5th power leaves the single range.
ChartModel BuildCharts(const Session& session, const ChartOptions& options = {});

// The comparison table as comma-separated text: a header, then one line per row; numbers with the
// full stop and every digit needed to read them back exactly, whatever the locale; an empty field
// where a value is not formed.
std::string ComparisonCsv(std::span<const ComparisonRow> rows);

} // namespace tetrode

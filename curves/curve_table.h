// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tetrode {

// One current tabulated over the anode-voltage / grid-voltage grid, in single precision.
// Indexed from 0: `at(point, curve)` is the current at anode point `point` on grid curve `curve`.
// Stored curve by curve, as the curve file lists them, so a growing curve count appends a row.
class CurrentMatrix {
  public:
    CurrentMatrix() = default;
    // A matrix of the given shape, every entry 0.
    CurrentMatrix(int points, int curves);
    // A matrix of the given shape that takes over `values`, curve by curve as curve(i) lists them;
    // there must be points x curves of them. Lets the loader gather rows as they come and hand
    // them over without clearing and copying a large block in one go.
    CurrentMatrix(int points, int curves, std::vector<float> values);

    int points() const { return m_points; }
    int curves() const { return m_curves; }

    float at(int point, int curve) const { return m_values[Offset(point, curve)]; }
    float& at(int point, int curve) { return m_values[Offset(point, curve)]; }

    // The entries of one curve, anode point 0 first.
    std::span<const float> curve(int curve) const;
    std::span<float> curve(int curve);

    // Adds one curve at the end, every entry 0.
    void AppendCurve();

    friend bool operator==(const CurrentMatrix&, const CurrentMatrix&) = default;

  private:
    std::size_t Offset(int point, int curve) const {
        return static_cast<std::size_t>(curve) * static_cast<std::size_t>(m_points) +
               static_cast<std::size_t>(point);
    }

    int m_points = 0;
    int m_curves = 0;
    std::vector<float> m_values;
};

// One loaded set of constant-current curves with its scale state. Axes and matrices are indexed
// from 0 here: entry 0 is the curve file's first column or row.
//
// Before any load the table is in its start state: each axis holds one entry 0, the matrices are
// empty, both counts and DataSheetScreenV are 0, PowerRatio32 is 0 and VoltageRatio is 1.
struct CurveTable {
    // Anode voltage of each column (V), ascending, evenly spaced.
    std::vector<float> AnodeVoltages{0.0F};
    CurrentMatrix AnodeCurrents;
    // Grid voltage of each curve (V), descending from the most positive, evenly spaced.
    std::vector<float> GridVoltages{0.0F};
    CurrentMatrix GridCurrents;
    CurrentMatrix ScreenCurrents;
    std::int16_t NumAnodePoints = 0;
    std::int16_t NumGridCurves = 0;
    // Screen voltage at which the curves were taken (V).
    float DataSheetScreenV = 0.0F;
    // VoltageRatio to the power 1.5: the factor on every interpolated current.
    float PowerRatio32 = 0.0F;
    // Operating screen voltage over DataSheetScreenV: the factor between the user's voltages and
    // the curves' voltages (3/2-power rule).
    float VoltageRatio = 1.0F;

    // Takes the curves of a completed load (axes, matrices, counts, DataSheetScreenV) in one step
    // and keeps this table's scale factors: a load never changes VoltageRatio or PowerRatio32.
    void AdoptCurves(CurveTable&& loaded);

    friend bool operator==(const CurveTable&, const CurveTable&) = default;
};

} // namespace tetrode

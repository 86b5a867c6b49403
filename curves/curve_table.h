// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tetrode {

// One current tabulated over the anode-voltage / grid-voltage grid, in single precision.
// Indexed from 0: `at(point, curve)` is the current at anode point `point` on grid curve `curve`.
// Stored curve by curve, as the curve file lists them.
class CurrentMatrix {
  public:
    CurrentMatrix() = default;
    // A matrix of the given shape, every entry 0.
    CurrentMatrix(int points, int curves);
    // A matrix of the given shape that takes over `values`, curve by curve as curve(i) lists them;
    // there must be points x curves of them (subscript out of range otherwise). Lets the loader
    // gather rows as they come and hand them over without clearing and copying a large block.
    CurrentMatrix(int points, int curves, std::vector<float> values);

    int points() const { return m_points; }
    int curves() const { return m_curves; }

    float at(int point, int curve) const { return m_values[Offset(point, curve)]; }
    float& at(int point, int curve) { return m_values[Offset(point, curve)]; }

    // The entries of one curve, anode point 0 first.
    std::span<const float> curve(int curve) const;
    std::span<float> curve(int curve);

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

// One loaded set of constant-current curves: the anode-voltage and grid-voltage axes, the three
// currents over them, and the screen voltage they were taken at. Indexed from 0: entry 0 is the
// curve file's first column or row. A table is whole once built: its counts, axes and matrices
// always agree. The scale factors that carry it to another screen voltage belong to the session
// that uses it.
class CurveTable {
  public:
    // The most entries an axis holds: the counts are signed 16-bit numbers.
    static constexpr int kMaxAxisEntries = INT16_MAX;

    // No curves: both axes and all matrices empty.
    CurveTable() = default;

    // A table of the given axes and currents, each matrix of anodeVoltages.size() points by
    // gridVoltages.size() curves. Overflow for an axis of more than kMaxAxisEntries entries,
    // subscript out of range for a matrix of another shape.
    CurveTable(float dataSheetScreenV, std::vector<float> anodeVoltages,
               std::vector<float> gridVoltages, CurrentMatrix anodeCurrents,
               CurrentMatrix screenCurrents, CurrentMatrix gridCurrents);

    // Anode voltage of each column (V), ascending, evenly spaced in a well-formed file.
    const std::vector<float>& AnodeVoltages() const { return m_anodeVoltages; }
    // Grid voltage of each curve (V), descending from the most positive in a well-formed file.
    const std::vector<float>& GridVoltages() const { return m_gridVoltages; }
    const CurrentMatrix& AnodeCurrents() const { return m_anodeCurrents; }
    const CurrentMatrix& ScreenCurrents() const { return m_screenCurrents; }
    const CurrentMatrix& GridCurrents() const { return m_gridCurrents; }
    int NumAnodePoints() const { return static_cast<int>(m_anodeVoltages.size()); }
    int NumGridCurves() const { return static_cast<int>(m_gridVoltages.size()); }
    // Screen voltage at which the curves were taken (V).
    float DataSheetScreenV() const { return m_dataSheetScreenV; }
    bool empty() const { return m_anodeVoltages.empty(); }

    // Whether no anode voltage is below the one before it (and none is NaN), and no grid voltage
    // above the one before it. Judged once, when the table is built, so that interpolation can
    // search such an axis by halving instead of scanning it.
    bool AnodeAxisRises() const { return m_anodeAxisRises; }
    bool GridAxisFalls() const { return m_gridAxisFalls; }

    friend bool operator==(const CurveTable&, const CurveTable&) = default;

  private:
    float m_dataSheetScreenV = 0.0F;
    std::vector<float> m_anodeVoltages;
    std::vector<float> m_gridVoltages;
    CurrentMatrix m_anodeCurrents;
    CurrentMatrix m_screenCurrents;
    CurrentMatrix m_gridCurrents;
    bool m_anodeAxisRises = true;
    bool m_gridAxisFalls = true;
};

} // namespace tetrode

// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/data_limits.h"
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "analysis/traced_chart.h"
#include "curves/curve_loader.h"
#include "curves/curve_table.h"
#include "platform/progress.h"

#include <optional>
#include <string>
#include <string_view>

namespace tetrode {

// One calculation of an operating line: what was typed, the numbers read, the factors formed from
// the screen voltage, Points A to G with their currents, and the fifteen figures.
struct Calculation {
    OperatingLineTexts texts; // empty when the line was given as numbers
    OperatingVoltages voltages;
    ScaleFactors scale;
    LoadLineSamples samples;
    OperatingParameters figures;

    friend bool operator==(const Calculation&, const Calculation&) = default;
};

// The whole calculation of a line given as numbers on `curves`: the scale factors, the samples and
// the figures. Holds no state, so any number of threads may call it on one table. The faults of
// ScaleFactorsFor, SampleLoadLine and ComputeOperatingParameters.
Calculation CalculateOperatingLine(const CurveTable& curves, const OperatingVoltages& line);

// One design: the loaded curves, the scale factors, the last calculation and the data limits on
// show. Every front end drives the calculator through one of these and shows what it returns.
//
// Each action is all or nothing: when it raises a Fault (or runs out of memory), the session is
// exactly as it was before.
class Session {
  public:
    // The text shown for the curves' screen voltage before any load.
    static constexpr std::string_view kNoScreenVoltageText = "0";

    // The user's decimal separator (UTF-8), read as a decimal point in typed numbers besides the
    // full stop. The full stop alone until it is set.
    void SetLocaleDecimalSeparator(std::string separator) {
        m_localeSeparator = std::move(separator);
    }

    // Loads the curve file at `path` (see LoadCurveFile, which reports to `progress`) and takes it
    // as Accept does.
    void Open(const std::string& path, const ProgressCallback& progress = {});

    // Takes the curves of a completed load of `path` and starts a fresh design on them: the new
    // table, its screen-voltage text and its file name replace the old ones; both scale factors
    // are 1, as the screen voltage shown is the curves' own; the last calculation is gone; the
    // data limits show the curves' own range.
    void Accept(LoadedCurveFile loaded, std::string path);

    // Takes the curves of a completed import as Accept does, and keeps the traced chart they were
    // regridded from (Traced) until the next Accept or import. `path` names where they came from.
    void AcceptImport(LoadedCurveFile loaded, std::string path, TracedChart traced);

    // The curves on show were written to the curve file at `path` (an import saved): from now on
    // they are named after it. Nothing else changes.
    void NameCurveFile(std::string path);

    // Reads the five typed voltages (refusing what NumberFromText refuses, at the first such box in
    // reading order), calculates the line (CalculateOperatingLine) and redraws the data limits at
    // the voltage ratio it used, so that they match the figures. Invalid argument when no curves
    // are loaded.
    const Calculation& Calculate(const OperatingLineTexts& texts);

    // Enter in the screen-voltage box: sets the voltage ratio from `screenBias` over the shown
    // screen voltage of the curves (ScreenVoltageText) and redraws the data limits with it.
    // PowerRatio32 waits for the next Calculate. The faults of VoltageRatioFromTexts and
    // ComputeDataLimits.
    const DataLimits& SetScreenVoltage(std::string_view screenBias);

    bool HasCurves() const { return !m_curves.empty(); }
    const CurveTable& Curves() const { return m_curves; }
    // The path the curves were loaded from, and its last component; empty before a load.
    const std::string& Path() const { return m_path; }
    const std::string& FileName() const { return m_fileName; }
    // The curves' screen voltage as the file writes it; kNoScreenVoltageText before a load.
    const std::string& ScreenVoltageText() const { return m_screenVoltageText; }
    const ScaleFactors& Scale() const { return m_scale; }
    // The limits on show; none before the first load.
    const std::optional<DataLimits>& Limits() const { return m_limits; }
    // The last successful calculation since the curves were loaded.
    const std::optional<Calculation>& LastCalculation() const { return m_calculation; }
    // What imported curves were regridded from; none for curves loaded from a curve file.
    const std::optional<TracedChart>& Traced() const { return m_traced; }

  private:
    std::string m_localeSeparator{"."};
    CurveTable m_curves;
    std::string m_path;
    std::string m_fileName;
    std::string m_screenVoltageText{kNoScreenVoltageText};
    ScaleFactors m_scale;
    std::optional<DataLimits> m_limits;
    std::optional<Calculation> m_calculation;
    std::optional<TracedChart> m_traced;
};

} // namespace tetrode

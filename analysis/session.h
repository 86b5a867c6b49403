// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/data_limits.h"
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "curves/curve_loader.h"
#include "curves/curve_table.h"
#include "platform/progress.h"

#include <optional>
#include <string>
#include <string_view>

namespace tetrode {

// What the last successful Calculate read and gave.
struct Calculation {
    OperatingLineTexts texts; // the five voltages as typed
    ScaleFactors scale;       // the factors it formed from the screen voltage
    LoadLineSamples samples;  // Points A to G with their currents
    OperatingParameters figures;

    friend bool operator==(const Calculation&, const Calculation&) = default;
};

// One design: the loaded curves, the scale factors, the last calculation and the data limits on
// show. Every front end drives the calculator through one of these and shows what it returns.
//
// Each action is all or nothing: when it raises a Fault (or runs out of memory), the session is
// exactly as it was before.
class Session {
  public:
    // The text shown for the curves' screen voltage before any load.
    static constexpr std::string_view kNoScreenVoltageText = "0";

    // Loads the curve file at `path` (see LoadCurveFile, which reports to `progress`) and takes it
    // as Accept does.
    void Open(const std::string& path, const ProgressCallback& progress = {});

    // Takes the curves of a completed load of `path`: the new table, its screen-voltage text and
    // its file name replace the old ones, and the data limits are formed anew at the voltage ratio
    // in force; the scale factors and the last calculation stay. Overflow when a limit leaves the
    // single range.
    void Accept(LoadedCurveFile loaded, std::string path);

    // Reads the five typed voltages, forms the scale factors from the screen voltage and the
    // curves' screen voltage, samples the operating line and computes the fifteen figures. The
    // data limits are not redrawn. Invalid argument when no curves are loaded; the faults of
    // ScaleFactorsFor, SampleLoadLine and ComputeOperatingParameters.
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
    const std::optional<Calculation>& LastCalculation() const { return m_calculation; }

  private:
    CurveTable m_curves;
    std::string m_path;
    std::string m_fileName;
    std::string m_screenVoltageText{kNoScreenVoltageText};
    ScaleFactors m_scale;
    std::optional<DataLimits> m_limits;
    std::optional<Calculation> m_calculation;
};

} // namespace tetrode

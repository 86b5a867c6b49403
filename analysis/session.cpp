// SPDX-License-Identifier: MIT
#include "analysis/session.h"

#include "platform/fault.h"

#include <filesystem>
#include <new>
#include <utility>

namespace tetrode {
namespace {

// The fault for an action that ran out of memory, made once while memory is there: building a
// fault when none is left would itself fail. A copy shares its text, so throwing one allocates
// nothing but the exception object, which the runtime can take from its emergency reserve.
const Fault& OutOfMemoryFault() {
    static const Fault fault(FaultKind::OutOfMemory, "there is not enough memory for this action");
    return fault;
}

// Runs an action of the session; running out of memory becomes a fault like any other, which the
// action's all-or-nothing rule already covers: nothing was committed when it arose.
template <typename Action> decltype(auto) ReportingExhaustion(Action&& action) {
    try {
        return action();
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryFault();
    }
}

// Made at start-up, not when memory first runs out.
[[maybe_unused]] const Fault& g_outOfMemoryFault = OutOfMemoryFault();

} // namespace

Calculation CalculateOperatingLine(const CurveTable& curves, const OperatingVoltages& line) {
    Calculation calculation;
    calculation.voltages = line;
    calculation.scale = ScaleFactorsFor(line.ScreenBias, curves.DataSheetScreenV());
    calculation.samples = SampleLoadLine(curves, calculation.scale, line);
    calculation.figures = ComputeOperatingParameters(calculation.samples, curves.DataSheetScreenV(),
                                                     calculation.scale.VoltageRatio);
    return calculation;
}

void Session::Open(const std::string& path, const ProgressCallback& progress) {
    ReportingExhaustion([&] { Accept(LoadCurveFile(path, progress), path); });
}

void Session::Accept(LoadedCurveFile loaded, std::string path) {
    // A completed Open starts a fresh design: the screen voltage shown becomes the curves' own, so
    // the ratio that an earlier Enter or Calculate left would no longer match anything on show.
    constexpr ScaleFactors kUnscaled{1.0F, 1.0F};
    // Everything that can fail comes first; the commit below only moves.
    DataLimits limits = ComputeDataLimits(loaded.table, kUnscaled.VoltageRatio);
    m_curves = std::move(loaded.table);
    m_screenVoltageText = std::move(loaded.screenVoltageText);
    m_fileName = std::move(loaded.fileName);
    m_path = std::move(path);
    m_scale = kUnscaled;
    m_limits = limits;
    m_calculation.reset();
    m_traced.reset();
}

void Session::AcceptImport(LoadedCurveFile loaded, std::string path, TracedChart traced) {
    Accept(std::move(loaded), std::move(path));
    m_traced = std::move(traced);
}

void Session::NameCurveFile(std::string path) {
    std::string fileName = std::filesystem::path(path).filename().string();
    m_fileName = std::move(fileName);
    m_path = std::move(path);
}

const Calculation& Session::Calculate(const OperatingLineTexts& texts) {
    // Even a fault's text takes memory, so the whole action is watched for exhaustion.
    auto [calculation, limits] = ReportingExhaustion([&] {
        if (!HasCurves()) {
            throw Fault(FaultKind::InvalidArgument, "no curve file is loaded");
        }
        Calculation result =
            CalculateOperatingLine(m_curves, ReadOperatingLine(texts, m_localeSeparator));
        result.texts = texts;
        // The limits follow the ratio the figures were computed at.
        const DataLimits shown = ComputeDataLimits(m_curves, result.scale.VoltageRatio);
        return std::pair(std::move(result), shown);
    });
    m_calculation = std::move(calculation);
    m_scale = m_calculation->scale;
    m_limits = limits;
    return *m_calculation;
}

const DataLimits& Session::SetScreenVoltage(std::string_view screenBias) {
    const auto [ratio, limits] = ReportingExhaustion([&] {
        const float voltageRatio =
            VoltageRatioFromTexts(screenBias, m_screenVoltageText, m_localeSeparator);
        // Formed with the new ratio before it is stored, so a ratio whose limits overflow changes
        // nothing.
        return std::pair(voltageRatio, ComputeDataLimits(m_curves, voltageRatio));
    });
    m_scale.VoltageRatio = ratio;
    m_limits = limits;
    return *m_limits;
}

} // namespace tetrode

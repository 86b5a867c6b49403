// SPDX-License-Identifier: MIT
#include "analysis/session.h"

#include "platform/fault.h"

#include <utility>

namespace tetrode {

void Session::Open(const std::string& path, const ProgressCallback& progress) {
    Accept(LoadCurveFile(path, progress), path);
}

void Session::Accept(LoadedCurveFile loaded, std::string path) {
    // Everything that can fail comes first; the commit below only moves.
    DataLimits limits = ComputeDataLimits(loaded.table, m_scale.VoltageRatio);
    m_curves = std::move(loaded.table);
    m_screenVoltageText = std::move(loaded.screenVoltageText);
    m_fileName = std::move(loaded.fileName);
    m_path = std::move(path);
    m_limits = limits;
}

const Calculation& Session::Calculate(const OperatingLineTexts& texts) {
    if (!HasCurves()) {
        throw Fault(FaultKind::InvalidArgument, "no curve file is loaded");
    }
    Calculation calculation{
        texts, ScaleFactorsFor(texts.ScreenBias, m_curves.DataSheetScreenV()), {}, {}};
    calculation.samples = SampleLoadLine(m_curves, calculation.scale, texts);
    calculation.figures = ComputeOperatingParameters(
        calculation.samples, m_curves.DataSheetScreenV(), calculation.scale.VoltageRatio);
    m_calculation = std::move(calculation);
    m_scale = m_calculation->scale;
    return *m_calculation;
}

const DataLimits& Session::SetScreenVoltage(std::string_view screenBias) {
    const float ratio = VoltageRatioFromTexts(screenBias, m_screenVoltageText);
    // Formed with the new ratio before it is stored, so a ratio whose limits overflow changes
    // nothing.
    const DataLimits limits = ComputeDataLimits(m_curves, ratio);
    m_scale.VoltageRatio = ratio;
    m_limits = limits;
    return *m_limits;
}

} // namespace tetrode

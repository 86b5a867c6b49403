// SPDX-License-Identifier: MIT
#include "analysis/line_warnings.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tetrode {
namespace {

// Whether `value` lies outside the entries of `axis`, compared as the interpolation compares them.
bool Outside(const std::vector<float>& axis, double value) {
    if (axis.empty()) {
        return true;
    }
    const auto [low, high] = std::minmax_element(axis.begin(), axis.end());
    return value < static_cast<double>(*low) || value > static_cast<double>(*high);
}

} // namespace

std::array<bool, 7> PointsOutsideData(const CurveTable& curves, const LoadLineSamples& samples) {
    std::array<bool, 7> outside{};
    for (std::size_t k = 0; k < outside.size(); ++k) {
        const SamplePoint& point = samples.points[k];
        outside[k] = Outside(curves.AnodeVoltages(), point.Anode) ||
                     Outside(curves.GridVoltages(), point.Grid);
    }
    return outside;
}

bool LineWarnings::any() const {
    return std::ranges::any_of(outside, [](bool b) { return b; }) || peakNotBelowQuiescent ||
           efficiencyImpossible || outputNegative;
}

LineWarnings WarningsFor(const CurveTable& curves, const LoadLineSamples& samples,
                         const OperatingParameters& figures) {
    LineWarnings warnings;
    warnings.outside = PointsOutsideData(curves, samples);
    warnings.peakNotBelowQuiescent = !(samples[LinePoint::A].Anode < samples[LinePoint::G].Anode);
    warnings.efficiencyImpossible = figures.Efficiency < 0.0 || figures.Efficiency > 1.0;
    warnings.outputNegative = figures.OutputPower < 0.0;
    return warnings;
}

std::string WarningText(const LineWarnings& warnings) {
    std::vector<std::string> parts;
    std::string points;
    int count = 0;
    for (std::size_t k = 0; k < warnings.outside.size(); ++k) {
        if (warnings.outside[k]) {
            points += (count++ == 0 ? "" : ", ") + std::string(1, static_cast<char>('A' + k));
        }
    }
    if (count > 0) {
        parts.push_back((count == 1 ? "Point " : "Points ") + points +
                        " outside the digitized curves (edge curves continued)");
    }
    if (warnings.peakNotBelowQuiescent) {
        parts.emplace_back("Point A's anode voltage is not below Point G's");
    }
    if (warnings.efficiencyImpossible) {
        parts.emplace_back("efficiency outside 0-100 %");
    }
    if (warnings.outputNegative) {
        parts.emplace_back("negative RF output power");
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "; ") + part;
    }
    if (!text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    return text;
}

} // namespace tetrode

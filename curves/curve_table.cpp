// SPDX-License-Identifier: MIT
#include "curves/curve_table.h"

#include "platform/fault.h"

#include <string>
#include <utility>

namespace tetrode {

CurrentMatrix::CurrentMatrix(int points, int curves)
    : m_points(points), m_curves(curves),
      m_values(static_cast<std::size_t>(points) * static_cast<std::size_t>(curves), 0.0F) {}

CurrentMatrix::CurrentMatrix(int points, int curves, std::vector<float> values)
    : m_points(points), m_curves(curves), m_values(std::move(values)) {
    if (points < 0 || curves < 0 ||
        m_values.size() != static_cast<std::size_t>(points) * static_cast<std::size_t>(curves)) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "a current matrix of " + std::to_string(points) + " points by " +
                        std::to_string(curves) + " curves cannot hold " +
                        std::to_string(m_values.size()) + " values");
    }
}

std::span<const float> CurrentMatrix::curve(int curve) const {
    return std::span<const float>(m_values).subspan(Offset(0, curve),
                                                    static_cast<std::size_t>(m_points));
}

std::span<float> CurrentMatrix::curve(int curve) {
    return std::span<float>(m_values).subspan(Offset(0, curve), static_cast<std::size_t>(m_points));
}

void CurrentMatrix::AppendCurve() {
    m_values.resize(m_values.size() + static_cast<std::size_t>(m_points), 0.0F);
    ++m_curves;
}

void CurveTable::AdoptCurves(CurveTable&& loaded) {
    const float voltageRatio = VoltageRatio;
    const float powerRatio32 = PowerRatio32;
    *this = std::move(loaded);
    VoltageRatio = voltageRatio;
    PowerRatio32 = powerRatio32;
}

} // namespace tetrode

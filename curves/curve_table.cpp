// SPDX-License-Identifier: MIT
#include "curves/curve_table.h"

#include "platform/fault.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace tetrode {
namespace {

// Whether every entry stands in `order` to the one after it; comparisons with NaN are false.
template <typename Order> bool IsMonotonic(const std::vector<float>& axis, Order order) {
    return std::adjacent_find(axis.begin(), axis.end(), [order](float before, float after) {
               return !order(before, after);
           }) == axis.end();
}

void CheckAxisSize(const std::vector<float>& axis, const char* name) {
    if (axis.size() > static_cast<std::size_t>(CurveTable::kMaxAxisEntries)) {
        throw Fault(FaultKind::Overflow, "the " + std::string(name) + " axis has " +
                                             std::to_string(axis.size()) + " entries, more than " +
                                             std::to_string(CurveTable::kMaxAxisEntries));
    }
}

void CheckShape(const CurrentMatrix& matrix, std::size_t points, std::size_t curves,
                const char* name) {
    if (static_cast<std::size_t>(matrix.points()) != points ||
        static_cast<std::size_t>(matrix.curves()) != curves) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the " + std::string(name) + " currents of " + std::to_string(matrix.points()) +
                        " points by " + std::to_string(matrix.curves()) +
                        " curves do not fit axes of " + std::to_string(points) + " by " +
                        std::to_string(curves));
    }
}

} // namespace

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

CurveTable::CurveTable(float dataSheetScreenV, std::vector<float> anodeVoltages,
                       std::vector<float> gridVoltages, CurrentMatrix anodeCurrents,
                       CurrentMatrix screenCurrents, CurrentMatrix gridCurrents)
    : m_dataSheetScreenV(dataSheetScreenV), m_anodeVoltages(std::move(anodeVoltages)),
      m_gridVoltages(std::move(gridVoltages)), m_anodeCurrents(std::move(anodeCurrents)),
      m_screenCurrents(std::move(screenCurrents)), m_gridCurrents(std::move(gridCurrents)),
      m_anodeAxisRises(IsMonotonic(m_anodeVoltages, std::less_equal<float>())),
      m_gridAxisFalls(IsMonotonic(m_gridVoltages, std::greater_equal<float>())) {
    CheckAxisSize(m_anodeVoltages, "anode-voltage");
    CheckAxisSize(m_gridVoltages, "grid-voltage");
    const std::size_t points = m_anodeVoltages.size();
    const std::size_t curves = m_gridVoltages.size();
    CheckShape(m_anodeCurrents, points, curves, "anode");
    CheckShape(m_screenCurrents, points, curves, "screen");
    CheckShape(m_gridCurrents, points, curves, "control-grid");
}

} // namespace tetrode

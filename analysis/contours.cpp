// SPDX-License-Identifier: MIT
#include "analysis/contours.h"

#include "platform/fault.h"
#include "platform/number_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tetrode {
namespace {

// The indexes a contour of `stride` visits on an axis of `count` entries: every stride-th, and
// the last, so the chart always reaches the edge of the data.
std::vector<int> StridedIndexes(int count, int stride) {
    std::vector<int> indexes;
    const int step = std::max(1, stride);
    for (int k = 0; k < count; k += step) {
        indexes.push_back(k);
    }
    if (count > 0 && indexes.back() != count - 1) {
        indexes.push_back(count - 1);
    }
    return indexes;
}

// A level of a 1-2-5 step: k steps of mantissa x 10^exponent. A negative power of ten is applied
// as a division, so that 3 x 0.1 comes out as the double nearest 0.3.
double StepMultiple(double k, double mantissa, int exponent) {
    return exponent < 0 ? k * mantissa / std::pow(10.0, -exponent)
                        : k * mantissa * std::pow(10.0, exponent);
}

// One piece of a contour inside a cell: it joins the crossings on two of the cell's edges. Edges
// are numbered over the whole grid, so the pieces of neighbouring cells meet on a shared number.
struct Segment {
    std::uint64_t edges[2];
    PlanePoint points[2];
};

// The cell's edges, by corner pair: bottom (00-10), right (10-11), top (01-11), left (00-01).
enum Edge { kBottom, kRight, kTop, kLeft };

// The pieces of each marching-squares case, by the corners at or above the level (bit 0 corner
// 00, bit 1 corner 10, bit 2 corner 11, bit 3 corner 01). The two saddles, 5 and 10, are listed
// as their mean corner value decides below.
struct CasePieces {
    int count;
    Edge ends[2][2];
};
constexpr CasePieces kCases[16] = {
    {0, {}},
    {1, {{kLeft, kBottom}}},
    {1, {{kBottom, kRight}}},
    {1, {{kLeft, kRight}}},
    {1, {{kRight, kTop}}},
    {2, {{kLeft, kBottom}, {kRight, kTop}}}, // 00 and 11 above, parted by a lower centre
    {1, {{kBottom, kTop}}},
    {1, {{kLeft, kTop}}},
    {1, {{kTop, kLeft}}},
    {1, {{kBottom, kTop}}},
    {2, {{kBottom, kRight}, {kTop, kLeft}}}, // 10 and 01 above, parted by a lower centre
    {1, {{kRight, kTop}}},
    {1, {{kLeft, kRight}}},
    {1, {{kBottom, kRight}}},
    {1, {{kLeft, kBottom}}},
    {0, {}},
};

// The grid of nodes a contour runs on: node (p, c) is strided anode point p on strided curve c.
class ContourGrid {
  public:
    ContourGrid(const CurveTable& table, int stride, ScaleFactors scale)
        : m_anodeIndexes(StridedIndexes(table.NumAnodePoints(), stride)),
          m_curveIndexes(StridedIndexes(table.NumGridCurves(), stride)),
          m_voltageRatio(scale.VoltageRatio) {
        for (int index : m_anodeIndexes) {
            m_anode.push_back(static_cast<double>(table.AnodeVoltages()[index]));
        }
        for (int index : m_curveIndexes) {
            m_grid.push_back(static_cast<double>(table.GridVoltages()[index]));
        }
    }

    int points() const { return static_cast<int>(m_anodeIndexes.size()); }
    int curves() const { return static_cast<int>(m_curveIndexes.size()); }

    // The scaled currents of strided curve c.
    void Row(const CurrentMatrix& matrix, double powerRatio, int c,
             std::vector<double>& row) const {
        const std::span<const float> values = matrix.curve(m_curveIndexes[c]);
        row.resize(m_anodeIndexes.size());
        for (std::size_t p = 0; p < m_anodeIndexes.size(); ++p) {
            row[p] = static_cast<double>(values[m_anodeIndexes[p]]) * powerRatio;
        }
    }

    std::uint64_t EdgeId(int p, int c, bool vertical) const {
        return (static_cast<std::uint64_t>(c) * static_cast<std::uint64_t>(points()) +
                static_cast<std::uint64_t>(p)) *
                   2U +
               (vertical ? 1U : 0U);
    }

    // Where `level` crosses the edge from node (p, c) to its neighbour along the anode axis
    // (`vertical` false) or along the grid axis; `from` and `to` are the two nodes' currents. Both
    // cells that share an edge compute it from the same node in the same order, so they agree to
    // the last bit and the pieces join exactly.
    PlanePoint Crossing(int p, int c, bool vertical, double from, double to, double level) const {
        const double t = (level - from) / (to - from);
        PlanePoint point{m_anode[p], m_grid[c]};
        if (vertical) {
            point.grid += t * (m_grid[c + 1] - m_grid[c]);
        } else {
            point.anode += t * (m_anode[p + 1] - m_anode[p]);
        }
        return {point.anode * m_voltageRatio, point.grid * m_voltageRatio};
    }

  private:
    std::vector<int> m_anodeIndexes;
    std::vector<int> m_curveIndexes;
    std::vector<double> m_anode;
    std::vector<double> m_grid;
    double m_voltageRatio;
};

// Joins the pieces of one level into polylines: first the open lines, from a piece whose end lies
// on the border of the data, then the closed ones.
std::vector<ContourLine> JoinSegments(const std::vector<Segment>& segments, double level) {
    const std::size_t ends = segments.size() * 2;
    std::vector<std::pair<std::uint64_t, std::size_t>> byEdge(ends);
    for (std::size_t e = 0; e < ends; ++e) {
        byEdge[e] = {segments[e / 2].edges[e % 2], e};
    }
    std::ranges::sort(byEdge);
    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> neighbour(ends, kNone);
    for (std::size_t k = 0; k + 1 < ends; ++k) {
        if (byEdge[k].first == byEdge[k + 1].first) {
            neighbour[byEdge[k].second] = byEdge[k + 1].second;
            neighbour[byEdge[k + 1].second] = byEdge[k].second;
        }
    }

    std::vector<bool> used(segments.size(), false);
    std::vector<ContourLine> lines;
    const auto walk = [&](std::size_t end) {
        ContourLine line{level, {segments[end / 2].points[end % 2]}};
        while (true) {
            used[end / 2] = true;
            const std::size_t other = end ^ 1U;
            line.points.push_back(segments[other / 2].points[other % 2]);
            const std::size_t next = neighbour[other];
            if (next == kNone || used[next / 2]) {
                break;
            }
            end = next;
        }
        lines.push_back(std::move(line));
    };
    for (std::size_t e = 0; e < ends; ++e) {
        if (neighbour[e] == kNone && !used[e / 2]) {
            walk(e);
        }
    }
    for (std::size_t s = 0; s < segments.size(); ++s) {
        if (!used[s]) {
            walk(s * 2);
        }
    }
    return lines;
}

} // namespace

const CurrentMatrix& CurrentsOf(const CurveTable& table, CurrentFamily family) {
    switch (family) {
    case CurrentFamily::Screen:
        return table.ScreenCurrents();
    case CurrentFamily::Grid:
        return table.GridCurrents();
    case CurrentFamily::Anode:
        break;
    }
    return table.AnodeCurrents();
}

std::vector<double> NiceLevels(double low, double high) {
    std::vector<double> levels;
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) ||
        !std::isfinite(high - low)) {
        return levels;
    }
    constexpr double kWanted = 10.0;
    constexpr double kMantissas[] = {1.0, 2.0, 5.0};
    const int top = static_cast<int>(std::ceil(std::log10(high - low)));
    double bestScore = std::numeric_limits<double>::infinity();
    for (int exponent = top - 3; exponent <= top; ++exponent) {
        for (const double mantissa : kMantissas) {
            const double step = StepMultiple(1.0, mantissa, exponent);
            // The multiples of the step strictly inside the range.
            const double first = std::floor(low / step) + 1.0;
            const double last = std::ceil(high / step) - 1.0;
            const double count = last - first + 1.0;
            if (count < 1.0) {
                continue;
            }
            const double score = std::abs(std::log(count / kWanted));
            if (score < bestScore) {
                bestScore = score;
                levels.clear();
                for (double k = first; k <= last; ++k) {
                    const double level = StepMultiple(k, mantissa, exponent);
                    if (level > low && level < high) {
                        levels.push_back(level);
                    }
                }
            }
        }
    }
    return levels;
}

std::vector<double> ReadLevelList(std::string_view text, std::string_view localeSeparator) {
    std::vector<double> levels;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of(" \t\r\n;", start);
        const std::string_view part =
            text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        if (!part.empty()) {
            if (levels.size() == kMaxTypedLevels) {
                std::string cause("at most ");
                cause.append(std::to_string(kMaxTypedLevels)).append(" levels can be drawn");
                throw Fault(FaultKind::InvalidArgument, cause);
            }
            // Typed in milliamperes, as the chart labels them.
            levels.push_back(NumberFromText(part, localeSeparator) / 1000.0);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    std::ranges::sort(levels);
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    return levels;
}

CurrentRange CurrentRangeOf(const CurveTable& table, CurrentFamily family, float powerRatio32,
                            int stride) {
    const CurrentMatrix& matrix = CurrentsOf(table, family);
    const std::vector<int> points = StridedIndexes(matrix.points(), stride);
    const std::vector<int> curves = StridedIndexes(matrix.curves(), stride);
    if (points.empty() || curves.empty()) {
        return {};
    }
    float low = matrix.at(0, 0);
    float high = low;
    for (int c : curves) {
        const std::span<const float> row = matrix.curve(c);
        for (int p : points) {
            low = std::min(low, row[p]);
            high = std::max(high, row[p]);
        }
    }
    const double ratio = powerRatio32;
    return {static_cast<double>(low) * ratio, static_cast<double>(high) * ratio};
}

std::vector<ContourLine> ContourLines(const CurveTable& table, CurrentFamily family,
                                      std::span<const double> levels, ScaleFactors scale,
                                      int stride) {
    const ContourGrid grid(table, stride, scale);
    if (grid.points() < 2 || grid.curves() < 2) {
        return {};
    }
    // The levels ascending, each with its place in the caller's order.
    std::vector<std::pair<double, std::size_t>> sorted;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (std::isfinite(levels[k])) {
            sorted.emplace_back(levels[k], k);
        }
    }
    std::ranges::sort(sorted);
    if (sorted.empty()) {
        return {};
    }

    const CurrentMatrix& matrix = CurrentsOf(table, family);
    const double powerRatio = scale.PowerRatio32;
    std::vector<std::vector<Segment>> segments(sorted.size());
    std::vector<double> upper;
    std::vector<double> lower;
    grid.Row(matrix, powerRatio, 0, upper);
    for (int c = 0; c + 1 < grid.curves(); ++c) {
        grid.Row(matrix, powerRatio, c + 1, lower);
        for (int p = 0; p + 1 < grid.points(); ++p) {
            const std::array<double, 4> corner{upper[p], upper[p + 1], lower[p + 1], lower[p]};
            const auto [low, high] = std::ranges::minmax(corner);
            // The levels that cross this cell: above its least corner, at or below its greatest.
            auto level =
                std::ranges::upper_bound(sorted, low, {}, &std::pair<double, std::size_t>::first);
            for (; level != sorted.end() && level->first <= high; ++level) {
                const double value = level->first;
                int index = 0;
                for (std::size_t k = 0; k < corner.size(); ++k) {
                    index |= (corner[k] >= value ? 1 : 0) << k;
                }
                CasePieces pieces = kCases[index];
                const double centre = (corner[0] + corner[1] + corner[2] + corner[3]) / 4.0;
                if ((index == 5 || index == 10) && centre >= value) {
                    // A higher centre joins the corners that are above and parts the others.
                    pieces = kCases[index == 5 ? 10 : 5];
                }
                const auto crossing = [&](Edge edge) -> std::pair<std::uint64_t, PlanePoint> {
                    switch (edge) {
                    case kBottom:
                        return {grid.EdgeId(p, c, false),
                                grid.Crossing(p, c, false, corner[0], corner[1], value)};
                    case kRight:
                        return {grid.EdgeId(p + 1, c, true),
                                grid.Crossing(p + 1, c, true, corner[1], corner[2], value)};
                    case kTop:
                        return {grid.EdgeId(p, c + 1, false),
                                grid.Crossing(p, c + 1, false, corner[3], corner[2], value)};
                    case kLeft:
                        break;
                    }
                    return {grid.EdgeId(p, c, true),
                            grid.Crossing(p, c, true, corner[0], corner[3], value)};
                };
                for (int k = 0; k < pieces.count; ++k) {
                    const auto [edgeA, pointA] = crossing(pieces.ends[k][0]);
                    const auto [edgeB, pointB] = crossing(pieces.ends[k][1]);
                    segments[static_cast<std::size_t>(level - sorted.begin())].push_back(
                        {{edgeA, edgeB}, {pointA, pointB}});
                }
            }
        }
        upper.swap(lower);
    }

    // Level by level in the caller's order.
    std::vector<std::size_t> order(sorted.size());
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        order[k] = k;
    }
    std::ranges::sort(order, {}, [&](std::size_t k) { return sorted[k].second; });
    std::vector<ContourLine> lines;
    for (std::size_t k : order) {
        std::vector<ContourLine> joined = JoinSegments(segments[k], sorted[k].first);
        std::ranges::move(joined, std::back_inserter(lines));
    }
    return lines;
}

} // namespace tetrode

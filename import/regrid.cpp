// SPDX-License-Identifier: MIT
#include "import/regrid.h"

#include "analysis/grid_interpolation.h"
#include "platform/checked_math.h"
#include "platform/fault.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace tetrode {
namespace {

// Proposed axes have at most this many voltages; with steps at most twice apart from one to the
// next, the smallest step that fits gives at least half as many.
constexpr int kMostProposedVoltages = 40;

std::size_t FamilyIndex(CurrentFamily family) {
    return static_cast<std::size_t>(family);
}

// The lowest and highest of one coordinate over the points of every series (of `family` only,
// when given); (0, 0) for no points.
std::pair<double, double> Range(const std::vector<TracedSeries>& series,
                                float TracedPoint::*coordinate,
                                std::optional<CurrentFamily> family = std::nullopt) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const TracedSeries& one : series) {
        if (family && one.family != *family) {
            continue;
        }
        for (const TracedPoint& point : one.points) {
            low = std::min<double>(low, point.*coordinate);
            high = std::max<double>(high, point.*coordinate);
        }
    }
    return low <= high ? std::pair(low, high) : std::pair(0.0, 0.0);
}

// m x 10^k, exact for the powers a double holds exactly.
double RoundStep(double mantissa, int exponent) {
    const double power = std::pow(10.0, std::abs(exponent));
    return exponent >= 0 ? mantissa * power : mantissa / power;
}

VoltageAxis ProposeAxis(std::pair<double, double> range, bool rising) {
    auto [low, high] = range;
    // Points of one voltage only: an axis around it.
    if (high <= low) {
        const double half = std::max(std::fabs(high), 1.0) / 2.0;
        low -= half;
        high += half;
    }
    const double span = high - low;
    for (int exponent = static_cast<int>(std::floor(std::log10(span / kMostProposedVoltages))) - 1;;
         ++exponent) {
        for (const double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double step = RoundStep(mantissa, exponent);
            // A traced voltage is a single: one on a multiple of the step stays on it (within a
            // hundredth of a step, where singles are that coarse).
            const auto slack = [step](double v) {
                return std::min(std::fabs(v) * FLT_EPSILON / step, 0.01);
            };
            const double bottom = std::floor(low / step + slack(low)) * step;
            const double top = std::ceil(high / step - slack(high)) * step;
            const auto count = static_cast<int>(std::lround((top - bottom) / step)) + 1;
            if (count <= kMostProposedVoltages) {
                const int voltages = std::max(count, 2);
                return rising ? VoltageAxis{bottom, step, voltages}
                              : VoltageAxis{std::max(top, bottom + step), -step, voltages};
            }
        }
    }
}

// ---- Joining a series' points ---------------------------------------------------------------

struct Spans {
    double anode = 1.0;
    double grid = 1.0;
};

double DrawnLength(const std::vector<TracedPoint>& points, Spans spans) {
    double length = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        length +=
            std::hypot((double{points[i].anodeVoltage} - points[i - 1].anodeVoltage) / spans.anode,
                       (double{points[i].gridVoltage} - points[i - 1].gridVoltage) / spans.grid);
    }
    return length;
}

// The series' points in the order that draws the shortest line: the file's, by anode voltage or
// by grid voltage. Digitizers keep click order or sort by x, and a user who clicks along a curve
// gives its order; a shuffled file still has one of the two sorted orders right, since a
// constant-current curve is single-valued in the voltage whose change moves that current.
std::vector<TracedPoint> JoinedPoints(const TracedSeries& series, Spans spans) {
    std::vector<TracedPoint> best = series.points;
    double bestLength = DrawnLength(best, spans);
    const auto consider = [&](auto less) {
        std::vector<TracedPoint> sorted = series.points;
        std::ranges::stable_sort(sorted, less);
        const double length = DrawnLength(sorted, spans);
        if (length < bestLength) {
            best = std::move(sorted);
            bestLength = length;
        }
    };
    consider([](const TracedPoint& a, const TracedPoint& b) {
        return std::pair(a.anodeVoltage, a.gridVoltage) < std::pair(b.anodeVoltage, b.gridVoltage);
    });
    consider([](const TracedPoint& a, const TracedPoint& b) {
        return std::pair(a.gridVoltage, a.anodeVoltage) < std::pair(b.gridVoltage, b.anodeVoltage);
    });
    return best;
}

// A curve's ends are clicked at the chart's edges, give or take a pixel; carried this share of the
// family's anode span further, level with its end, a curve still reaches the axis voltage on the
// edge. Half a percent is some five pixels on a chart of a thousand.
constexpr double kEndReach = 0.005;

// Adds, at each end of the line, a point `reach` beyond it in anode voltage (away from its
// neighbour) at the end's grid voltage.
void ReachOut(std::vector<TracedPoint>& line, double reach) {
    const auto beyond = [reach](const TracedPoint& end, const TracedPoint& neighbour) {
        const double direction = end.anodeVoltage > neighbour.anodeVoltage ? 1.0 : -1.0;
        TracedPoint stub = end;
        stub.anodeVoltage = static_cast<float>(end.anodeVoltage + direction * reach);
        return stub;
    };
    const std::size_t n = line.size();
    if (n < 2) {
        return;
    }
    // An end segment that is vertical points nowhere in anode voltage: that end stays.
    const bool atFirst = line[0].anodeVoltage != line[1].anodeVoltage;
    const bool atLast = line[n - 1].anodeVoltage != line[n - 2].anodeVoltage;
    const TracedPoint first = beyond(line[0], line[1]);
    const TracedPoint last = beyond(line[n - 1], line[n - 2]);
    if (atLast) {
        line.push_back(last);
    }
    if (atFirst) {
        line.insert(line.begin(), first);
    }
}

// ---- Cuts and the current along one anode voltage ----------------------------------------------

// Where a line of the chart meets a traced curve: the voltage along that line (the grid voltage on
// an anode voltage's line, the anode voltage on a grid voltage's) and the curve's current.
struct Cut {
    double at = 0.0;
    double current = 0.0;
};

// Adds the cuts of the line through `points` with the chart's lines at each of `voltages`
// (ascending) to `cuts`: a line at voltage v of `across` meets a segment whose `across` range holds
// v, where the segment's `along` voltage is taken.
void CutLine(const std::vector<TracedPoint>& points, double current,
             const std::vector<float>& voltages, float TracedPoint::*across,
             float TracedPoint::*along, std::vector<std::vector<Cut>>& cuts,
             std::size_t& cutCount) {
    const auto add = [&](std::size_t line, double at) {
        if (++cutCount > static_cast<std::size_t>(kMaxImportCells)) {
            throw Fault(FaultKind::Overflow,
                        "the traced curves cross the axes' voltages more than " +
                            std::to_string(kMaxImportCells) + " times; choose coarser axes",
                        InputPlace{std::string(import_input::AnodeAxis)});
        }
        cuts[line].push_back({at, current});
    };
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const TracedPoint& p = points[i];
        const TracedPoint& q = points[i + 1];
        const auto first = std::ranges::lower_bound(voltages, std::min(p.*across, q.*across));
        const auto end = std::ranges::upper_bound(voltages, std::max(p.*across, q.*across));
        for (auto v = first; v < end; ++v) {
            const auto line = static_cast<std::size_t>(v - voltages.begin());
            // A vertex on the line is the cut itself, so the two segments that meet there agree.
            if (p.*across == q.*across) {
                add(line, p.*along);
                add(line, q.*along);
            } else if (*v == p.*across) {
                add(line, p.*along);
            } else if (*v == q.*across) {
                add(line, q.*along);
            } else {
                const double share = (double{*v} - p.*across) / (double{q.*across} - p.*across);
                add(line, p.*along + share * (double{q.*along} - p.*along));
            }
        }
    }
}

// The cuts of one line in order along it, those at one voltage made one with their mean current (a
// vertex shared by two segments, or curves that touch).
std::vector<Cut> Nodes(std::vector<Cut> cuts) {
    std::ranges::sort(cuts, {}, &Cut::at);
    std::vector<Cut> nodes;
    for (std::size_t i = 0; i < cuts.size();) {
        std::size_t end = i;
        double sum = 0.0;
        for (; end < cuts.size() && cuts[end].at == cuts[i].at; ++end) {
            sum += cuts[end].current;
        }
        nodes.push_back({cuts[i].at, sum / static_cast<double>(end - i)});
        i = end;
    }
    return nodes;
}

// Slopes (A/V) continuing the current beyond the lowest and the highest node, when the nodes give
// them.
struct EndSlopes {
    bool known = false;
    double below = 0.0;
    double above = 0.0;
};

// From each end node to the nearest node of another current; none when all nodes share one.
EndSlopes EndSlopesOf(const std::vector<Cut>& nodes) {
    const auto differs = [&](std::size_t end) {
        return [&nodes, end](const Cut& node) { return node.current != nodes[end].current; };
    };
    if (nodes.empty()) {
        return {};
    }
    const auto above = std::ranges::find_if(nodes, differs(0));
    if (above == nodes.end()) {
        return {};
    }
    const Cut& lowest = nodes.front();
    const Cut& highest = nodes.back();
    const Cut& below =
        *std::ranges::find_if(nodes.rbegin(), nodes.rend(), differs(nodes.size() - 1));
    return EndSlopes{true,
                     std::max(0.0, (above->current - lowest.current) / (above->at - lowest.at)),
                     (highest.current - below.current) / (highest.at - below.at)};
}

// Fritsch and Carlson's slopes at the nodes: a cubic through them that is monotone wherever the
// nodes are, flat at each of their extremes. Angles are compared by hypot so that steep slopes
// between close nodes cannot overflow.
std::vector<double> MonotoneSlopes(const std::vector<Cut>& nodes) {
    const std::size_t n = nodes.size();
    std::vector<double> secants(n - 1);
    for (std::size_t k = 0; k + 1 < n; ++k) {
        secants[k] = (nodes[k + 1].current - nodes[k].current) / (nodes[k + 1].at - nodes[k].at);
    }
    std::vector<double> slopes(n);
    slopes.front() = secants.front();
    slopes.back() = secants.back();
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const bool sameSign = (secants[k - 1] > 0.0 && secants[k] > 0.0) ||
                              (secants[k - 1] < 0.0 && secants[k] < 0.0);
        slopes[k] = sameSign ? secants[k - 1] / 2.0 + secants[k] / 2.0 : 0.0;
    }
    for (std::size_t k = 0; k + 1 < n; ++k) {
        if (secants[k] == 0.0) {
            slopes[k] = slopes[k + 1] = 0.0;
            continue;
        }
        const double alpha = slopes[k] / secants[k];
        const double beta = slopes[k + 1] / secants[k];
        const double radius = std::hypot(alpha, beta);
        if (radius > 3.0) {
            slopes[k] = 3.0 / radius * alpha * secants[k];
            slopes[k + 1] = 3.0 / radius * beta * secants[k];
        }
    }
    return slopes;
}

// The current along one line of the chart through its nodes.
class CurrentAlong {
  public:
    explicit CurrentAlong(std::vector<Cut> nodes) : m_nodes(std::move(nodes)) {
        if (m_nodes.size() >= 2) {
            m_slopes = MonotoneSlopes(m_nodes);
        }
    }

    const std::vector<Cut>& nodes() const { return m_nodes; }

    // Whether `at` lies from the first node to the last.
    bool Covers(double at) const {
        return !m_nodes.empty() && at >= m_nodes.front().at && at <= m_nodes.back().at;
    }

    // Whether `at` lies between two neighbouring nodes of different currents.
    bool Brackets(double at) const {
        if (!Covers(at) || m_nodes.size() < 2) {
            return false;
        }
        const std::size_t k = Interval(at);
        return m_nodes[k].current != m_nodes[k + 1].current;
    }

    // The monotone cubic at `at`, which Covers.
    double Inside(double at) const {
        if (m_nodes.size() == 1) {
            return m_nodes.front().current;
        }
        const std::size_t k = Interval(at);
        const Cut& a = m_nodes[k];
        const Cut& b = m_nodes[k + 1];
        const double h = b.at - a.at;
        const double t = (at - a.at) / h;
        const double t2 = t * t, t3 = t2 * t;
        const double value = (2 * t3 - 3 * t2 + 1) * a.current +
                             (t3 - 2 * t2 + t) * h * m_slopes[k] + (3 * t2 - 2 * t3) * b.current +
                             (t3 - t2) * h * m_slopes[k + 1];
        return std::max(0.0, value);
    }

    // Beyond the nodes: linear with `ends`, never below zero; without, the current of the one
    // level above its cut and zero below it.
    double Beyond(double at, const EndSlopes& ends) const {
        const Cut& lowest = m_nodes.front();
        const Cut& highest = m_nodes.back();
        if (at < lowest.at) {
            return ends.known ? std::max(0.0, lowest.current + ends.below * (at - lowest.at)) : 0.0;
        }
        return ends.known ? std::max(0.0, highest.current + ends.above * (at - highest.at))
                          : highest.current;
    }

  private:
    // The index of the interval of nodes that holds `at`, the last for the last node.
    std::size_t Interval(double at) const {
        const auto upper = std::ranges::upper_bound(m_nodes, at, {}, &Cut::at);
        const auto index =
            std::min(upper - m_nodes.begin(), static_cast<std::ptrdiff_t>(m_nodes.size() - 1));
        return static_cast<std::size_t>(index - 1);
    }

    std::vector<Cut> m_nodes;
    std::vector<double> m_slopes;
};

// The currents along each of the chart's lines at `voltages` (ascending) of `across`.
std::vector<CurrentAlong> CurrentsAlong(const std::vector<TracedSeries>& series,
                                        CurrentFamily family, Spans spans,
                                        const std::vector<float>& voltages,
                                        float TracedPoint::*across, float TracedPoint::*along,
                                        std::size_t& cutCount) {
    std::vector<std::vector<Cut>> cuts(voltages.size());
    for (const TracedSeries& one : series) {
        if (one.family == family) {
            std::vector<TracedPoint> line = JoinedPoints(one, spans);
            ReachOut(line, kEndReach * spans.anode);
            CutLine(line, one.current, voltages, across, along, cuts, cutCount);
        }
    }
    std::vector<CurrentAlong> lines;
    lines.reserve(voltages.size());
    for (std::vector<Cut>& lineCuts : cuts) {
        lines.emplace_back(Nodes(std::move(lineCuts)));
    }
    return lines;
}

CurrentMatrix RegridFamily(const std::vector<TracedSeries>& series, CurrentFamily family,
                           const std::vector<float>& anode, const std::vector<float>& grid,
                           std::size_t& cutCount) {
    const auto [anodeLow, anodeHigh] = Range(series, &TracedPoint::anodeVoltage, family);
    const auto [gridLow, gridHigh] = Range(series, &TracedPoint::gridVoltage, family);
    const Spans spans{anodeHigh > anodeLow ? anodeHigh - anodeLow : 1.0,
                      gridHigh > gridLow ? gridHigh - gridLow : 1.0};

    const std::vector<CurrentAlong> columns =
        CurrentsAlong(series, family, spans, anode, &TracedPoint::anodeVoltage,
                      &TracedPoint::gridVoltage, cutCount);
    // The grid axis falls; its lines are cut in rising order.
    const std::vector<float> risingGrid(grid.rbegin(), grid.rend());
    const std::vector<CurrentAlong> rows =
        CurrentsAlong(series, family, spans, risingGrid, &TracedPoint::gridVoltage,
                      &TracedPoint::anodeVoltage, cutCount);

    const std::size_t count = anode.size();
    std::vector<EndSlopes> ends(count);
    for (std::size_t j = 0; j < count; ++j) {
        ends[j] = EndSlopesOf(columns[j].nodes());
    }
    // For an anode voltage cut by one level only: the nearest one, on either side, cut by two.
    std::vector<std::size_t> leftWithSlopes(count, count), rightWithSlopes(count, count);
    for (std::size_t j = 0; j < count; ++j) {
        leftWithSlopes[j] = ends[j].known ? j : (j > 0 ? leftWithSlopes[j - 1] : count);
        const std::size_t r = count - 1 - j;
        rightWithSlopes[r] = ends[r].known ? r : (r + 1 < count ? rightWithSlopes[r + 1] : count);
    }
    const std::string quantity = "regridded " + std::string(CurrentFamilyName(family));
    CurrentMatrix currents(static_cast<int>(count), static_cast<int>(grid.size()));
    for (std::size_t j = 0; j < count; ++j) {
        const CurrentAlong& column = columns[j];
        const std::size_t left = leftWithSlopes[j], right = rightWithSlopes[j];
        const std::size_t nearest =
            left == count || (right != count && right - j < j - left) ? right : left;
        const EndSlopes slopes = nearest == count ? EndSlopes{} : ends[nearest];
        for (std::size_t i = 0; i < grid.size(); ++i) {
            const CurrentAlong& row = rows[grid.size() - 1 - i];
            double value = 0.0;
            if (column.Covers(grid[i])) {
                value = column.Inside(grid[i]);
            } else if (row.Brackets(anode[j])) {
                // Beyond the cuts of its anode voltage, but between two curves along its grid
                // voltage: where curves leave the chart's top edge before reaching this anode
                // voltage, they still pass beside the point.
                value = row.Inside(anode[j]);
            } else if (!column.nodes().empty()) {
                value = column.Beyond(grid[i], slopes);
            }
            currents.at(static_cast<int>(j), static_cast<int>(i)) =
                CheckedToSingle(value, quantity);
        }
    }
    return currents;
}

} // namespace

VoltageAxis ProposeAnodeAxis(const std::vector<TracedSeries>& series) {
    return ProposeAxis(Range(series, &TracedPoint::anodeVoltage), true);
}

VoltageAxis ProposeGridAxis(const std::vector<TracedSeries>& series) {
    return ProposeAxis(Range(series, &TracedPoint::gridVoltage), false);
}

std::vector<float> AxisVoltages(const VoltageAxis& axis, bool rising, std::string_view input) {
    const InputPlace place{std::string(input)};
    if (axis.count < 2) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the axis has " + std::to_string(axis.count) +
                        (axis.count == 1 ? " voltage" : " voltages") + "; a curve table needs two",
                    place);
    }
    if (axis.count > CurveTable::kMaxAxisEntries) {
        throw Fault(FaultKind::Overflow,
                    "the axis has " + std::to_string(axis.count) + " voltages, more than " +
                        std::to_string(CurveTable::kMaxAxisEntries),
                    place);
    }
    std::vector<float> voltages(static_cast<std::size_t>(axis.count));
    for (int i = 0; i < axis.count; ++i) {
        try {
            voltages[static_cast<std::size_t>(i)] =
                CheckedToSingle(axis.Voltage(i), "axis's voltages");
        } catch (const Fault& fault) {
            throw fault.At(place);
        }
        const std::size_t k = static_cast<std::size_t>(i);
        if (k > 0 && (rising ? voltages[k] <= voltages[k - 1] : voltages[k] >= voltages[k - 1])) {
            throw Fault(FaultKind::InvalidArgument,
                        std::string("the axis's voltages must ") +
                            (rising ? "rise" : "fall from the most positive") +
                            " in steps that single precision tells apart",
                        place);
        }
    }
    return voltages;
}

CurveTable RegridTracedCurves(const std::vector<TracedSeries>& series, float screenVoltage,
                              const VoltageAxis& anodeAxis, const VoltageAxis& gridAxis) {
    std::vector<float> anode = AxisVoltages(anodeAxis, true, import_input::AnodeAxis);
    std::vector<float> grid = AxisVoltages(gridAxis, false, import_input::GridAxis);
    if (static_cast<long>(anode.size()) * static_cast<long>(grid.size()) > kMaxImportCells) {
        throw Fault(FaultKind::Overflow,
                    "the axes give " + std::to_string(anode.size()) + " x " +
                        std::to_string(grid.size()) + " points, more than " +
                        std::to_string(kMaxImportCells),
                    InputPlace{std::string(import_input::AnodeAxis)});
    }
    std::size_t cutCount = 0;
    CurrentMatrix anodeCurrents = RegridFamily(series, CurrentFamily::Anode, anode, grid, cutCount);
    CurrentMatrix screenCurrents =
        RegridFamily(series, CurrentFamily::Screen, anode, grid, cutCount);
    CurrentMatrix gridCurrents = RegridFamily(series, CurrentFamily::Grid, anode, grid, cutCount);
    return CurveTable(screenVoltage, std::move(anode), std::move(grid), std::move(anodeCurrents),
                      std::move(screenCurrents), std::move(gridCurrents));
}

FitResiduals FitResidualsOf(const std::vector<TracedSeries>& series, const CurveTable& table) {
    FitResiduals fit;
    for (const TracedSeries& one : series) {
        double& scale = fit.fullScale[FamilyIndex(one.family)];
        scale = std::max<double>(scale, one.current);
    }
    const auto& anode = table.AnodeVoltages();
    const auto& grid = table.GridVoltages();
    double largest = -1.0;
    for (std::size_t s = 0; s < series.size(); ++s) {
        const TracedSeries& one = series[s];
        const double scale = fit.fullScale[FamilyIndex(one.family)];
        for (std::size_t p = 0; p < one.points.size(); ++p) {
            const TracedPoint& point = one.points[p];
            const InterpolatedCurrents currents =
                GridInterpolation(table, point.anodeVoltage, point.gridVoltage, 1.0F);
            PointResidual residual;
            residual.series = s;
            residual.point = p;
            residual.tableCurrent = one.family == CurrentFamily::Anode    ? currents.Ib
                                    : one.family == CurrentFamily::Screen ? currents.Ic2
                                                                          : currents.Ic1;
            residual.residual = residual.tableCurrent - one.current;
            residual.relative = scale > 0.0 ? residual.residual / scale : 0.0;
            residual.insideAxes =
                point.anodeVoltage >= anode.front() && point.anodeVoltage <= anode.back() &&
                point.gridVoltage <= grid.front() && point.gridVoltage >= grid.back();
            if (residual.insideAxes && std::fabs(residual.relative) > largest) {
                largest = std::fabs(residual.relative);
                fit.largest = fit.points.size();
            }
            fit.points.push_back(residual);
        }
    }
    return fit;
}

} // namespace tetrode

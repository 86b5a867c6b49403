// SPDX-License-Identifier: MIT
#include "analysis/charts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tetrode {
namespace {

// State: an example file opened, a line calculated (or not), a screen voltage entered (or not).
// Expected: the chart's scale is the calculation's while the screen voltage on show is the one it
// used, and the data rectangle the axes times that ratio. The markers are the calculation's own
// points times its voltage ratio, exactly, with the same currents; the cycle passes through A and
// G exactly and through each sample at its marked angle; the points outside the data, found by
// hand from the files' ranges at that ratio, are flagged.
TEST(Charts, MarkersAreTheSampledPointsAtTheChartsScale) {
    const std::string small = TETRODE_EXAMPLES "/model-tetrode-250v.csv";
    const std::string large = TETRODE_EXAMPLES "/model-tetrode-400v.csv";
    const OperatingLineTexts at300{"300", "3000", "-75", "400", "20"};
    // clang-format off
    // Enter: typed in the screen box after Calculate, then Enter; outside: the letters of the points
    // outside the data.
    const struct { const char* name; std::string file; std::optional<OperatingLineTexts> line;
                   const char* enter; LineState state; float ratio; std::string outside; } cases[] = {
        {"own screen voltage", small, {{"250", "2500", "-60", "300", "20"}}, "", LineState::Drawn,
         1.0F, ""},
        {"1.4 times: A and B above the curves", small, {{"350", "3500", "-90", "420", "35"}}, "",
         LineState::Drawn, 1.4F, "AB"},
        {"A and B below the lowest anode voltage", small, {{"300", "3000", "-75", "-100", "20"}},
         "", LineState::Drawn, 1.2F, "AB"},
        {"400 V curves at 500 V: G below them", large, {{"500", "5000", "-150", "800", "35"}}, "",
         LineState::Drawn, 1.25F, "G"},
        {"Enter after Calculate", small, at300, "350", LineState::OtherScreenVoltage, 1.4F, ""},
        {"Enter of the same voltage", small, at300, "300", LineState::Drawn, 1.2F, ""},
        {"no Calculate", small, {}, "", LineState::NotCalculated, 1.0F, ""},
    };
    // clang-format on
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Session session;
        session.Open(row.file);
        if (row.line) {
            session.Calculate(*row.line);
        }
        if (*row.enter != '\0') {
            session.SetScreenVoltage(row.enter);
        }
        const ChartModel model = BuildCharts(session);
        ASSERT_EQ(model.lineState, row.state);
        EXPECT_EQ(model.scale.VoltageRatio, row.ratio);
        const double ratio = row.ratio;
        const CurveTable& curves = session.Curves();
        EXPECT_EQ(model.data, (PlaneRect{{curves.AnodeVoltages().front() * ratio,
                                          curves.GridVoltages().back() * ratio},
                                         {curves.AnodeVoltages().back() * ratio,
                                          curves.GridVoltages().front() * ratio}}));
        for (const FamilyContours& family : model.families) {
            EXPECT_FALSE(family.lines.empty());
        }
        ASSERT_EQ(model.cycle.has_value(), row.state == LineState::Drawn);
        if (!model.cycle) {
            continue;
        }
        const LoadLineSamples& samples = session.LastCalculation()->samples;
        std::string outside;
        for (const LineMarker& marker : model.markers) {
            const SamplePoint& sample = samples[marker.point];
            EXPECT_EQ(marker.position, (PlanePoint{sample.Anode * ratio, sample.Grid * ratio}));
            EXPECT_EQ(marker.sample, sample);
            outside += marker.outside ? std::string(1, char('A' + int(marker.point))) : "";

            // The cycle's currents at the marked angle, between its two nearest samples.
            const double theta = model.markerTheta[static_cast<std::size_t>(marker.point)];
            const auto k = static_cast<std::size_t>((theta + 180.0) / 360.0 * kCycleSteps);
            const double t = (theta - model.cycle->theta[k]) / (360.0 / kCycleSteps);
            const SamplePoint &p0 = model.cycle->points[k], &p1 = model.cycle->points[k + 1];
            EXPECT_NEAR(p0.Ib + t * (p1.Ib - p0.Ib), sample.Ib, 1e-3 * (1 + sample.Ib));
            EXPECT_NEAR(p0.Ic1 + t * (p1.Ic1 - p0.Ic1), sample.Ic1, 1e-3 * (1 + sample.Ic1));
        }
        EXPECT_EQ(outside, row.outside);
        EXPECT_EQ(model.cycle->points[kCycleSteps / 2], samples[LinePoint::A]);
        EXPECT_EQ(model.cycle->points[kCycleSteps * 3 / 4], samples[LinePoint::G]);
    }
}

// State: a design imported from traced curves (one of them clicked beyond the table), at its own
// screen voltage or another entered, with levels typed or not. Expected: each family's traced
// points and the largest residual at the chart's voltage ratio, in the view before any zoom; a
// traced family contoured at its traced currents times the current ratio unless levels are typed.
TEST(Charts, AnImportedDesignShowsItsTracedPointsOnContoursOfTheirCurrents) {
    const std::string file = TETRODE_EXAMPLES "/model-tetrode-250v.csv";
    const TracedChart traced{{{CurrentFamily::Anode, 0.2, {{400, -20}, {3600, -40}}},
                              {CurrentFamily::Anode, 0.1, {{300, -30}, {800, -35}}},
                              {CurrentFamily::Grid, 0.05, {{500, 5}, {2000, 10}}}},
                             PlanePoint{800, -35},
                             "the words",
                             {}};
    const std::tuple<const char*, const char*, std::optional<std::vector<double>>> cases[] = {
        {"own screen voltage", "250", std::nullopt},
        {"at 300 V", "300", std::nullopt},
        {"anode levels typed", "250", std::vector{0.3}},
    };
    for (const auto& [name, screen, typed] : cases) {
        SCOPED_TRACE(name);
        Session session;
        session.AcceptImport(LoadCurveFile(file), file, traced);
        session.SetScreenVoltage(screen);
        ChartOptions options;
        options.levels[0] = typed;
        const ChartModel model = BuildCharts(session, options);
        const double ratio = model.scale.VoltageRatio, currents = model.scale.PowerRatio32;
        EXPECT_TRUE(model.imported);
        EXPECT_EQ(model.traced[0], (std::vector<PlanePoint>{{400 * ratio, -20 * ratio},
                                                            {3600 * ratio, -40 * ratio},
                                                            {300 * ratio, -30 * ratio},
                                                            {800 * ratio, -35 * ratio}}));
        EXPECT_EQ(model.traced[1], std::vector<PlanePoint>{});
        EXPECT_EQ(model.traced[2].size(), 2U);
        EXPECT_EQ(model.largestResidualAt, (PlanePoint{800 * ratio, -35 * ratio}));
        EXPECT_EQ(model.largestResidual, "the words");
        EXPECT_GE(model.home.high.anode, 3600 * ratio);
        EXPECT_EQ(model.families[0].levels,
                  typed.value_or(std::vector{0.1 * currents, 0.2 * currents}));
        EXPECT_EQ(model.families[2].levels, std::vector{0.05 * currents});
        EXPECT_NE(model.families[1].levels.size(), 0U) << "automatic where none was traced";
    }
}

} // namespace
} // namespace tetrode

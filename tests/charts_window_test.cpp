// SPDX-License-Identifier: MIT
#include "analysis/cycle_analysis.h"
#include "analysis/grid_interpolation.h"
#include "platform/number_text.h"
#include "window/frm_main.h"
#include "window_test_support.h"

#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QGraphicsPathItem>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>
#include <QXYSeries>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <set>

namespace tetrode {
namespace {

using testing::FakeUser;
using testing::Find;
using testing::SeriesPoints;

class ChartsWindowTest : public ::testing::Test {
  protected:
    ChartsWindowTest() { m_window.show(); }
    ~ChartsWindowTest() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    QWidget& Charts() const { return Find(m_window, "frmCharts"); }
    QChart& Chart(const QString& view) const { return *Find<QChartView>(Charts(), view).chart(); }
    void Click(const QObject& root, const QString& button) {
        QTest::mouseClick(&Find<QPushButton>(root, button), Qt::LeftButton);
    }
    // Opens an example file, types the five voltages (screen, anode bias, grid bias, minimum
    // anode, peak grid) and presses Calculate; then Charts, when asked.
    void Calculate(const char* file, const QStringList& line, bool charts = true) {
        m_user.answers.push_back(TETRODE_EXAMPLES "/" + QString::fromLatin1(file));
        Find<QAction>(m_window, "mnuOpen").trigger();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window.isLoading(); }));
        const char* boxes[] = {"txtScreenBias", "txtAnodeBias", "txtGridBias", "txtMinAnode",
                               "txtPeakGrid"};
        for (int k = 0; k < 5; ++k) {
            Find<QLineEdit>(m_window, boxes[k]).setText(line[k]);
        }
        Click(m_window, "cmdCalculate");
        if (charts) {
            Click(m_window, "cmdCharts");
        }
    }
    // The points of the visible contours named `name` (in volts), each with its level (A).
    std::vector<std::pair<QPointF, double>> Contours(QChart& chart, const QString& name) const {
        std::vector<std::pair<QPointF, double>> points;
        std::vector<QGraphicsItem*> items{&chart};
        while (!items.empty()) {
            QGraphicsItem* item = items.back();
            items.pop_back();
            const QList<QGraphicsItem*> children = item->childItems();
            items.insert(items.end(), children.begin(), children.end());
            auto* contour = dynamic_cast<QGraphicsPathItem*>(item);
            if (contour != nullptr && contour->data(0) == name && contour->isVisible()) {
                for (int k = 0; k < contour->path().elementCount(); ++k) {
                    points.emplace_back(contour->path().elementAt(k), contour->data(1).toDouble());
                }
            }
        }
        return points;
    }
    FakeUser m_user;
    testing::ModalWatchdog m_watchdog;
    frmMain m_window{m_user, m_user};
};

// State: just started, then the 250 V example calculated at 300 V, a screen voltage entered, and
// calculated again. Action: Charts (twice), hover, typed levels, the legend, a zoom.
// Expected: one window that first says a curve file is needed; Points A to G exactly where the
// session sampled them, at its voltage ratio, with their currents on hover; every contour point
// where the session's interpolation gives its level; the cycle over 721 angles with the seven
// samples on it; no line while the screen voltage differs from the calculation's.
TEST_F(ChartsWindowTest, FollowsTheSessionWithItsPointsExactly) {
    Click(m_window, "cmdCharts");
    Click(m_window, "cmdCharts");
    ASSERT_EQ(m_window.findChildren<QWidget*>("frmCharts").size(), 1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Charts()));
    EXPECT_TRUE(Find(Charts(), "lblNoCurves").isVisible());

    for (const char* screen : {"300", "350"}) {
        SCOPED_TRACE(screen);
        Calculate("model-tetrode-250v.csv", {screen, "3000", "-75", "400", "20"}, false);
        EXPECT_FALSE(Find(Charts(), "lblNoCurves").isVisible());
        const Session& session = m_window.session();
        const ScaleFactors scale = session.LastCalculation()->scale;
        // Points A to G exactly where the session sampled them, at its voltage ratio, each with
        // its currents on hover.
        const LoadLineSamples& samples = session.LastCalculation()->samples;
        std::set<LinePoint> marked;
        for (const char* name : {"pointsInside", "pointsOutside"}) {
            for (const QPointF& point : SeriesPoints(Chart("chtCurves"), name)) {
                const double ratio = scale.VoltageRatio;
                const auto s = std::ranges::find_if(samples, [&](const SamplePoint& sample) {
                    return QPointF(sample.Anode * ratio, sample.Grid * ratio) == point;
                });
                ASSERT_NE(s, samples.end()) << name << " at " << point.x() << ", " << point.y();
                marked.insert(LinePoint(s - samples.begin()));
                for (QAbstractSeries* series : Chart("chtCurves").series()) {
                    if (series->objectName() == name) {
                        emit static_cast<QXYSeries*>(series)->hovered(point, true);
                    }
                }
                const QString anode = QString::fromStdString(
                    FormatDisplayPattern(s->Ib * 1000, "###0.0", ".") + " mA");
                EXPECT_TRUE(QToolTip::text().contains(anode)) << QToolTip::text().toStdString();
            }
        }
        EXPECT_EQ(marked.size(), 7U);
        for (const char* family : {"contourAnode", "contourScreen", "contourGrid"}) {
            const auto points = Contours(Chart("chtCurves"), family);
            EXPECT_GT(points.size(), 20U) << family;
            for (const auto& [point, level] : points) {
                const InterpolatedCurrents i =
                    GridInterpolation(session.Curves(), point.x() / scale.VoltageRatio,
                                      point.y() / scale.VoltageRatio, scale.PowerRatio32);
                const double current = family[7] == 'A' ? i.Ib : family[7] == 'S' ? i.Ic2 : i.Ic1;
                ASSERT_NEAR(current, level, 1e-6)
                    << family << " at " << point.x() << ", " << point.y();
            }
        }
        Find<QTabWidget>(Charts(), "tabCharts").setCurrentIndex(1);
        const auto cycle = SeriesPoints(Chart("chtCycle"), "cycleAnode");
        ASSERT_EQ(cycle.size(), kCycleSteps + 1U);
        EXPECT_EQ(cycle.front().x(), -180);
        EXPECT_EQ(cycle.back().x(), 180);
        std::vector<double> sampled, shown;
        for (const SamplePoint& s : samples) {
            sampled.push_back(s.Ib * 1000);
        }
        for (const QPointF& point : SeriesPoints(Chart("chtCycle"), "samplesAnode")) {
            shown.push_back(point.y());
        }
        EXPECT_EQ(shown, sampled);
        Find<QTabWidget>(Charts(), "tabCharts").setCurrentIndex(0);
    }
    // Another screen voltage entered: the line waits for Calculate.
    Find<QLineEdit>(m_window, "txtScreenBias").setText("400");
    QTest::keyClick(&Find<QLineEdit>(m_window, "txtScreenBias"), Qt::Key_Return);
    for (const char* name : {"pointsInside", "pointsOutside", "operatingLine"}) {
        EXPECT_TRUE(SeriesPoints(Chart("chtCurves"), name).empty()) << name;
    }

    // Typed levels: drawn as typed; refused text keeps the levels on show and says where.
    QLineEdit& levels = Find<QLineEdit>(Charts(), "txtAnodeLevels");
    levels.setText("200 100");
    QTest::keyClick(&levels, Qt::Key_Return);
    std::set<double> drawn;
    for (const auto& [point, level] : Contours(Chart("chtCurves"), "contourAnode")) {
        drawn.insert(level);
    }
    EXPECT_EQ(drawn, (std::set<double>{0.1, 0.2}));
    levels.setText("100,200");
    QTest::keyClick(&levels, Qt::Key_Return);
    ASSERT_EQ(m_user.faults.size(), 1U);
    EXPECT_EQ(m_user.faults[0].place(), FaultPlace(InputPlace{"Anode levels"}));
    EXPECT_FALSE(Contours(Chart("chtCurves"), "contourAnode").empty());

    // The legend hides and shows a family; a dragged rectangle zooms, Reset zoom undoes it.
    QChart& chart = Chart("chtCurves");
    for (const bool shown : {false, true}) {
        for (QAbstractSeries* series : chart.series()) {
            if (series->objectName() == "familyScreen") {
                emit chart.legend()->markers(series).front()->clicked();
            }
        }
        EXPECT_EQ(Contours(chart, "contourScreen").empty(), !shown);
    }
    auto* x = static_cast<QValueAxis*>(chart.axes(Qt::Horizontal).front());
    const std::pair home{x->min(), x->max()};
    QWidget* viewport = Find<QChartView>(Charts(), "chtCurves").viewport();
    const QPoint centre = viewport->rect().center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre - QPoint(100, 100));
    QTest::mouseMove(viewport, centre);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
    const std::pair zoomed{x->min(), x->max()};
    EXPECT_LT(zoomed.second - zoomed.first, (home.second - home.first) / 2);
    Click(m_window, "cmdCalculate"); // the line drawn within the same view: the zoom stays
    EXPECT_EQ((std::pair{x->min(), x->max()}), zoomed);
    Click(Charts(), "cmdResetCurves");
    EXPECT_EQ((std::pair{x->min(), x->max()}), home);
}

// State: the 400 V example calculated at 500 V (G outside the data), charts in a comma locale.
// Action: each export, answered with a file; then one into a folder that does not exist.
// Expected: PNG images of the view's size, SVG drawings that parse, and a CSV whose numbers (full
// stop, every digit) are the session's seven-point figures and the cycle analysis of its line;
// the failed export reports a file fault and writes nothing.
TEST_F(ChartsWindowTest, ExportsEachChartAndTheTableInFilesThatReadBack) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Calculate("model-tetrode-400v.csv", {"500", "5000", "-150", "800", "35"});
    QTemporaryDir folder;
    for (const char* view : {"chtCurves", "chtCycle"}) {
        const QString chart = QString::fromLatin1(view).mid(3);
        Find<QTabWidget>(Charts(), "tabCharts").setCurrentIndex(chart == "Curves" ? 0 : 1);
        const QSize size = Find<QChartView>(Charts(), view).size();
        for (const QString extension : {"Png", "Svg"}) {
            const QString path = folder.filePath(chart + '.' + extension);
            m_user.answers.push_back(path);
            Click(Charts(), "cmdExport" + chart + extension);
            if (extension == "Png") {
                EXPECT_EQ(QImage(path).size(), size) << path.toStdString();
            } else {
                QSvgRenderer svg(path);
                EXPECT_TRUE(svg.isValid()) << path.toStdString();
                EXPECT_EQ(svg.viewBox().size(), size);
                // What the plot holds is clipped to it in the file itself.
                QFile text(path);
                ASSERT_TRUE(text.open(QIODevice::ReadOnly));
                EXPECT_TRUE(text.readAll().contains(R"svg(<g clip-path="url(#plot)">)svg"));
            }
        }
    }

    Find<QTabWidget>(Charts(), "tabCharts").setCurrentIndex(2);
    const QString csv = folder.filePath("table.csv");
    m_user.answers.push_back(csv);
    Click(Charts(), "cmdExportTableCsv");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const Calculation& calculation = *m_window.session().LastCalculation();
    const CycleAnalysis cycle =
        AnalyseCycle(m_window.session().Curves(), calculation.samples, calculation.scale);
    ASSERT_GT(lines.size(), static_cast<qsizetype>(kFigureCount));
    const auto number = [](const QString& field) {
        const std::string text = field.toStdString();
        double value = NAN;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
        return value;
    };
    for (const FigureInfo& info : Figures()) {
        const QStringList fields = lines[static_cast<int>(info.figure) + 1].split(',');
        ASSERT_EQ(fields.size(), 5) << info.caption;
        EXPECT_EQ(fields[0].toStdString(), info.caption);
        EXPECT_EQ(number(fields[2]),
                  FigureValue(calculation.figures, info.figure) * info.displayScale);
        EXPECT_EQ(number(fields[3]), FigureValue(cycle.figures, info.figure) * info.displayScale);
    }
    // The table on screen speaks the locale.
    const QString shown = Find<QTableWidget>(Charts(), "grdComparison").item(0, 2)->text();
    EXPECT_EQ(shown.toStdString(),
              FormatDisplayPattern(calculation.figures.PeakAnodeRFVolts, "###0.0", ","));
    EXPECT_TRUE(m_user.faults.empty());

    const QString nowhere = folder.filePath("missing/curves.png");
    m_user.answers.push_back(nowhere);
    Click(Charts(), "cmdExportCurvesPng");
    ASSERT_EQ(m_user.faults.size(), 1U);
    EXPECT_EQ(m_user.faults[0].kind(), FaultKind::FileOpen);
    EXPECT_FALSE(QFile::exists(nowhere));
}

} // namespace
} // namespace tetrode

int main(int argc, char* argv[]) {
    return tetrode::testing::RunWindowTests(argc, argv);
}

// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/charts.h"

#include <QChart>
#include <QSet>
#include <QString>
#include <QTransform>

#include <array>
#include <map>
#include <vector>

class QGraphicsPathItem;
class QGraphicsView;
class QIODevice;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QLegendMarker;
class QScatterSeries;
class QValueAxis;
class QXYSeries;

namespace tetrode {

// A chart on two value axes whose series are made once and given new points on each redraw, as
// adding and removing series is what costs a chart most. Each series is a legend entry that hides
// and shows it, together with whatever else the chart draws for that entry; hidden entries stay
// hidden across redraws, and an entry with nothing to draw leaves the legend. The view before any
// zoom is kept, so that a zoom can be undone.
class LegendChart : public QChart {
    Q_OBJECT

  public:
    LegendChart(const QString& xTitle, const QString& yTitle);

    // Back to the view of the last redraw.
    void ResetZoom();
    // Writes the chart as `view` shows it as SVG. SVG drawn by Qt keeps no clipping, so the
    // plot's contents are drawn a second time over the frame inside a clip path of the plot.
    bool WriteSvg(QGraphicsView* view, QIODevice* device, const QString& title);
    // Whether the legend entry of the series named `entry` is shown.
    bool Shown(const QString& entry) const { return !m_hidden.contains(entry); }

  protected:
    // Makes a series on both axes, named `entry` for the legend and for tests.
    template <class Series> Series* AddEntry(const char* entry, const QString& name);
    // Connects the legend and the view; once, after the last AddEntry.
    void FinishLegend();
    // Gives the series its points, in the legend only when it has some.
    void SetPoints(QXYSeries* series, const QList<QPointF>& points);
    // Sets the view before any zoom: `y` (and `x` when `roundX`) opened a little, to round ticks.
    // When it is the view of the last redraw, the view on show stays as it is.
    void SetHome(double xLow, double xHigh, double yLow, double yHigh, bool roundX = true);
    // Places what follows the data outside the series; after every change of view or legend.
    virtual void Relayout() {}
    // Hides (or shows again) whatever is drawn inside the plot, keeping the legend as it is.
    virtual void ShowPlotContents(bool shown);
    // From values to the chart's coordinates, for the view on show.
    QTransform ValueToChart() const;
    bool InView(QPointF value) const;

    QValueAxis* m_x = nullptr;
    QValueAxis* m_y = nullptr;

  private:
    void OnMarkerClicked(QXYSeries* series);
    void ShowEntry(QXYSeries* series);

    std::vector<QXYSeries*> m_entries;
    QSet<QString> m_hidden;
    std::array<double, 4> m_home{};
};

// The constant-current chart: contours of the three currents, the digitized data's rectangle, the
// operating line over the cycle and Points A to G, each with its currents on hover; for an imported
// design, the traced points of each family and the one of the largest residual. The contours
// are paths in volts under a transform to the plot, so a zoom or a resize moves them without
// building them again.
class ContourChart final : public LegendChart {
    Q_OBJECT

  public:
    ContourChart();
    // Draws `model`; numbers in the labels with the locale's `separator`.
    void Show(const ChartModel& model, const QString& separator);

  protected:
    void Relayout() override;
    void ShowPlotContents(bool shown) override;

  private:
    void OnMarkerHovered(QPointF point, bool state);
    QString ToolTip(const LineMarker& marker) const;

    struct Contour {
        QGraphicsPathItem* path;
        QGraphicsSimpleTextItem* label;
        std::size_t family;
        std::vector<QPointF> middles; // where a label may sit, nearest the middle first
    };
    QGraphicsRectItem* m_plotClip = nullptr;
    std::vector<Contour> m_contours;
    std::array<QXYSeries*, 3> m_families{};
    std::array<QScatterSeries*, 3> m_traced{};
    QScatterSeries* m_largestResidual = nullptr;
    QXYSeries* m_rectangle = nullptr;
    QXYSeries* m_line = nullptr;
    QScatterSeries* m_inside = nullptr;
    QScatterSeries* m_outside = nullptr;
    std::array<QGraphicsSimpleTextItem*, 7> m_letters{};
    std::array<LineMarker, 7> m_markers{};
    bool m_lineDrawn = false;
    QString m_separator;
};

// The three currents against the drive angle over a cycle, with the seven samples marked.
class CycleChart final : public LegendChart {
    Q_OBJECT

  public:
    CycleChart();
    void Show(const ChartModel& model);

  private:
    std::array<QXYSeries*, 3> m_lines{};
    std::array<QXYSeries*, 3> m_samples{};
};

} // namespace tetrode

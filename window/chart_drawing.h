// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/charts.h"

#include <QChart>
#include <QSet>
#include <QString>

#include <array>
#include <map>
#include <vector>

class QGraphicsSimpleTextItem;
class QLegendMarker;
class QValueAxis;
class QXYSeries;

namespace tetrode {

// A chart on two value axes whose legend entries hide and show groups of series (a family of
// contours is one entry, however many lines it has). Hidden groups stay hidden across redraws.
// The view before any zoom is kept, so that a zoom can be undone.
class LegendChart : public QChart {
    Q_OBJECT

  public:
    LegendChart(const QString& xTitle, const QString& yTitle);

    // Back to the view of the last redraw.
    void ResetZoom();
    // Whether the legend entry `group` (the objectName of its first series) is shown.
    bool GroupShown(const QString& group) const { return !m_hidden.contains(group); }

  protected:
    // Removes every series.
    void Clear();
    // Adds `series` on both axes, in `group`; the first series of a group carries its legend entry.
    void AddSeries(QXYSeries* series, const QString& group);
    // Connects the legend entries and applies the hidden groups; after all series are added.
    void FinishLegend();
    // Sets the view before any zoom: `y` (and `x` when `roundX`) opened a little, to round ticks.
    void SetHome(double xLow, double xHigh, double yLow, double yHigh, bool roundX = true);
    // Places texts that follow the data; called after every change of view or legend.
    virtual void Relayout() {}
    // Where a value lies in the chart's coordinates, and whether it is inside the plot.
    QPointF Position(QPointF value);
    bool InView(QPointF value) const;

    QValueAxis* m_x = nullptr;
    QValueAxis* m_y = nullptr;

  private:
    void OnMarkerClicked(QLegendMarker* marker);
    void ShowGroup(const QString& group, bool shown);

    std::map<QString, std::vector<QXYSeries*>> m_groups;
    QSet<QString> m_hidden;
    std::array<double, 4> m_home{};
};

// The constant-current chart: contours of the three currents, the digitized data's rectangle, the
// operating line over the cycle and Points A to G, each with its currents on hover.
class ContourChart final : public LegendChart {
    Q_OBJECT

  public:
    ContourChart();
    // Draws `model`; numbers in the labels with the locale's `separator`.
    void Show(const ChartModel& model, const QString& separator);

  protected:
    void Relayout() override;

  private:
    void OnMarkerHovered(QPointF point, bool state);
    QString ToolTip(const LineMarker& marker) const;

    struct ContourLabel {
        QGraphicsSimpleTextItem* item;
        QString group;
        std::vector<QPointF> points;
    };
    std::vector<ContourLabel> m_contourLabels;
    std::vector<std::pair<QGraphicsSimpleTextItem*, const LineMarker*>> m_letters;
    std::array<LineMarker, 7> m_markers{};
    QString m_separator;
};

// The three currents against the drive angle over a cycle, with the seven samples marked.
class CycleChart final : public LegendChart {
    Q_OBJECT

  public:
    CycleChart();
    void Show(const ChartModel& model);
};

} // namespace tetrode

// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/charts.h"
#include "window/charts_view.h"

#include <QWidget>

#include <array>

class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTableWidget;

namespace tetrode {

class ContourChart;
class CycleChart;

// The charts of one design, a view of the session the main window holds: the constant-current
// chart with the operating line, the currents over a cycle, and the cycle analysis beside the
// seven-point figures. It draws what BuildCharts gives, follows the session after every action, and
// exports each chart as PNG or SVG and the table as CSV. Before any curves are loaded it says a
// curve file is needed. For an imported design it shows the traced points over the curves and
// names the largest residual, so the user can judge the fit.
class frmCharts final : public QWidget, public ChartsView {
    Q_OBJECT

  public:
    // The session, the chooser and the reporter must outlive the window.
    frmCharts(const Session& session, FileChooser& fileChooser, FaultReporter& faultReporter,
              QWidget* parent = nullptr);
    ~frmCharts() override;

    QWidget* Widget() override { return this; }
    // Draws the session now when the window is on show, else when it is shown next.
    void Follow() override;

    // What is on show.
    const ChartModel& model() const { return m_model; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    enum class ImageFormat { Png, Svg };

    QWidget* CreateCurvesPage();
    QWidget* CreateCyclePage();
    QWidget* CreateTablePage();
    QWidget* ChartButtons(QChartView* view, const char* name, const char* suggestedName);

    void Draw();
    // Shows the model on tab `index` when it is not on show there yet. Only the tab in front is
    // drawn at once: a chart's redraw costs most of the time a Calculate takes.
    void ShowTab(int index);
    void ShowTable();
    void ShowNotes();
    void OnLevelsEntered(std::size_t family);
    void ExportChart(QChartView* view, ImageFormat format, const QString& suggestedName);
    void ExportTable();
    // Runs a user action; any fault or exception it raises is reported.
    template <typename Action> void ReportingFaults(Action&& action);
    QString SaveName(const QString& kind, const QString& extension) const;

    const Session& m_session;
    FileChooser& m_fileChooser;
    FaultReporter& m_faultReporter;
    ChartOptions m_options;
    ChartModel m_model;
    // Set when the session changed while the window was hidden.
    bool m_stale = true;
    // Set for each tab whose drawing is older than the model.
    std::array<bool, 3> m_tabStale{};

    QStackedWidget* m_pages = nullptr;
    QTabWidget* m_tabs = nullptr;
    QChartView* m_chtCurves = nullptr;
    QChartView* m_chtCycle = nullptr;
    QTableWidget* m_grdComparison = nullptr;
    QLabel* m_lblCurvesNote = nullptr;
    QLabel* m_lblFitNote = nullptr;
    QLabel* m_lblCycleNote = nullptr;
    QLabel* m_lblComparisonNote = nullptr;
    QPushButton* m_cmdExportTableCsv = nullptr;
    std::array<QLineEdit*, 3> m_levelBoxes{};
    ContourChart* m_contourChart = nullptr;
    CycleChart* m_cycleChart = nullptr;
};

} // namespace tetrode

// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace tetrode {

class FaultReporter;
class FileChooser;
class Session;

// The charts window as the main window knows it. The window and the charting library it draws with
// live in a module of their own that is loaded when the user first asks for charts: linking that
// library into the program would slow every start of the calculator.
class ChartsView {
  public:
    ChartsView() = default;
    ChartsView(const ChartsView&) = delete;
    ChartsView& operator=(const ChartsView&) = delete;
    virtual ~ChartsView() = default;

    virtual QWidget* Widget() = 0;
    // Draws the session again, after any action that changed it.
    virtual void Follow() = 0;
};

// Loads the charts module (on the first call only) and creates its window: a child window of
// `parent` that shows `session`, asks `fileChooser` where to export and reports faults to
// `faultReporter`; all three must outlive it. A file-open fault when the module cannot be loaded.
ChartsView* CreateChartsView(const Session& session, FileChooser& fileChooser,
                             FaultReporter& faultReporter, QWidget* parent);

// The factory the module exports, by the name the loader looks it up under.
using ChartsViewFactory = ChartsView* (*)(const Session&, FileChooser&, FaultReporter&, QWidget*);
inline constexpr char kChartsViewFactoryName[] = "tetrode_create_charts_view";

} // namespace tetrode

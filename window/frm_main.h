// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/operating_parameters.h"
#include "analysis/session.h"

#include <QMainWindow>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tetrode {

class ChartsView;
class FaultReporter;
class FileChooser;

// The calculator's main window: a view of one Session. It lays its controls out from the window
// layout table, forwards the user's actions (Open, Calculate, Enter in the screen-voltage box,
// Quit) to the session and shows what the session gives back. A fault of an action is reported
// and leaves the window and the session as they were.
class frmMain final : public QMainWindow {
    Q_OBJECT

  public:
    // The chooser and the reporter must outlive the window.
    frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent = nullptr);

    // The caption before any file is loaded, also the title of fault reports.
    static QString ProgramTitle();

    const Session& session() const { return m_session; }

  signals:
    // After every action that changed the session (Open, Calculate, Enter), for the views that
    // follow it.
    void sessionChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void CreateMenu();

    void OnOpen();
    void OnCalculate();
    void OnScreenBiasEnter();
    // Shows the charts window, created on first use, which then follows the session.
    void OnCharts();

    // Runs a user action; a fault it raises is reported.
    template <typename Action> void ReportingFaults(Action&& action);
    // Lets window events run during a load, and stops the load when the user has quit meanwhile.
    void WhileLoading();
    void ShowLimits();
    void ShowFigures(const OperatingParameters& figures);

    template <class Widget> Widget& Control(const char* name) const;
    // The entry box of a typed input, by the name faults give it; none for another name.
    QLineEdit* BoxNamed(std::string_view input) const;

    FileChooser& m_fileChooser;
    FaultReporter& m_faultReporter;
    Session m_session;

    // The controls the actions read and write, found once.
    QLineEdit* m_txtScreenBias = nullptr;
    QLineEdit* m_txtAnodeBias = nullptr;
    QLineEdit* m_txtGridBias = nullptr;
    QLineEdit* m_txtMinAnode = nullptr;
    QLineEdit* m_txtPeakGrid = nullptr;
    QPushButton* m_cmdCalculate = nullptr;
    std::array<QLabel*, kFigureCount> m_figureLabels{};
    std::array<QLabel*, 4> m_limitLabels{};
    QLabel* m_lblDataSheetScreenV = nullptr;
    // The charts window once opened; a child window, owned by this one.
    ChartsView* m_charts = nullptr;

    // Set while a curve file loads: Open, Calculate and Enter wait for it to finish.
    bool m_loading = false;
    // Set when the user quits or closes the window while a load runs.
    bool m_quitRequested = false;
};

} // namespace tetrode

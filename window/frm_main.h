// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/operating_parameters.h"
#include "analysis/session.h"
#include "platform/fault.h"
#include "window/curve_load_job.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QTimer>

#include <any>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace tetrode {

class ChartsView;
class FaultReporter;
class FileChooser;
class ImportAsker;
class DialogImportAsker;
struct ImportSettingsTexts;
struct PendingImport;

// The calculator's main window: a view of one Session. It lays its controls out from the window
// layout table, scaled to the user's font, forwards the user's actions (Open, Import, Calculate,
// Enter in the screen-voltage box, Quit) to the session and shows what the session gives back. A
// fault of an action is reported and leaves the window and the session as they were.
class frmMain final : public QMainWindow {
    Q_OBJECT

  public:
    // The chooser, the reporter and the import asker must outlive the window. `loader` reads
    // curve files (on a thread of its own); tests may put a stand-in in its place. Without an
    // `importAsker` the window asks what to import in the toolkit's dialogs.
    frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent = nullptr,
            CurveLoader loader = kLoadCurveFile, ImportAsker* importAsker = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The caption before any file is loaded, also the title of fault reports.
    static QString ProgramTitle();

    // Starts loading the curve file at `path`, as Open does once the user has chosen it.
    void OpenFile(const QString& path);

    const Session& session() const { return m_session; }
    // Whether a curve file is loading or an import runs; the other actions wait meanwhile.
    bool isLoading() const { return m_load != nullptr || m_import != nullptr; }
    // How many times the twips layout is drawn its designed size, for the user's font.
    double layoutScale() const { return m_layoutScale; }

  signals:
    // After every action that changed the session (Open, Calculate, Enter), for the views that
    // follow it.
    void sessionChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void CreateMenu();
    void CreateLoadProgress();
    void MakeValuesSelectable();
    void FitToScreen();

    void OnOpen();
    void OnLoadFinished();
    void OnCalculate();
    void OnScreenBiasEnter();
    void ShowLoadProgress();
    // Shows the session's fresh design: its screen voltage and limits, no figures, `caption`.
    void ShowFreshDesign(const QString& caption);

    // Import: the exports are read, the user gives the screen voltage and the axes (prefilled
    // with the proposal, asked again after a refusal), the table is regridded and taken as a
    // fresh design, and the user may save it as a curve file. Each step that can take long runs
    // on a thread of its own; Open, Import and Calculate wait until the last one ends.
    void OnImport();
    void OnExportsRead();
    void AskImportSettings(const ImportSettingsTexts& shown);
    void OnImportRegridded();
    void OfferToSaveImport();
    void OnImportSaved();
    void EndImport();
    // Runs `work` as the import's next step; `done` takes its result with TakeImportStep.
    void StartImportStep(std::function<std::any()> work, void (frmMain::*done)());
    template <class Result> Result TakeImportStep();
    // Reports a fault of the import; true when the import goes on by asking again.
    bool ReportImportFault(const Fault& fault);
    // Shows the charts window, created on first use, which then follows the session.
    void OnCharts();

    // Copy Results and Save Results: the last calculation as a table for a spreadsheet's paste,
    // and as a CSV file; both only while there are results.
    void CreateResultActions();
    void OnCopyResults();
    void OnSaveResults();

    // Runs a user action; a fault it raises, or any other exception, is reported.
    template <typename Action> void ReportingFaults(Action&& action);
    void Report(const Fault& fault);
    void SetLoading(bool loading);
    void ShowLimits();
    void ShowFigures(const OperatingParameters& figures);
    void ShowValue(QLabel* label, const QString& text);
    // Draws the figures as stale when they no longer belong to the typed line.
    void UpdateStaleMark();
    OperatingLineTexts TypedLine() const;

    template <class Widget> Widget& Control(const char* name) const;
    // The entry box of a typed input, by the name faults give it; none for another name.
    QLineEdit* BoxNamed(std::string_view input) const;

    // The controls of the layout table by name, as they are made: a search of the window's
    // children by name for each would cost start-up time.
    std::map<std::string_view, QWidget*> m_controls;

    FileChooser& m_fileChooser;
    FaultReporter& m_faultReporter;
    std::unique_ptr<DialogImportAsker> m_dialogImportAsker; // when none was given
    ImportAsker& m_importAsker;
    CurveLoader m_loader;
    Session m_session;
    double m_layoutScale = 1.0;
    bool m_valuesSelectable = false;

    // The controls the actions read and write, found once.
    QLineEdit* m_txtScreenBias = nullptr;
    QLineEdit* m_txtAnodeBias = nullptr;
    QLineEdit* m_txtGridBias = nullptr;
    QLineEdit* m_txtMinAnode = nullptr;
    QLineEdit* m_txtPeakGrid = nullptr;
    QPushButton* m_cmdCalculate = nullptr;
    QAction* m_mnuOpen = nullptr;
    QAction* m_mnuImport = nullptr;
    std::array<QLabel*, kFigureCount> m_figureLabels{};
    std::array<QLabel*, 4> m_limitLabels{};
    QLabel* m_lblDataSheetScreenV = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QPalette m_freshPalette;
    QPalette m_stalePalette;
    QAction* m_mnuCopyResults = nullptr;
    QAction* m_mnuSaveResults = nullptr;
    // The charts window once opened; a child window, owned by this one.
    ChartsView* m_charts = nullptr;

    // The load under way, if any, and how it shows itself after a moment.
    QPointer<CurveLoadJob> m_load;
    QElapsedTimer m_loadClock;
    QString m_loadingText;
    QTimer m_loadTicker;
    QLabel* m_lblLoading = nullptr;
    QProgressBar* m_prgLoading = nullptr;
    QPushButton* m_cmdCancelLoad = nullptr;

    // The import under way, if any.
    std::unique_ptr<PendingImport> m_import;
};

} // namespace tetrode

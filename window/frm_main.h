// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/operating_parameters.h"
#include "curves/curve_table.h"
#include "platform/yield.h"

#include <QMainWindow>

#include <span>
#include <string>

class QAction;
class QLineEdit;
class QPushButton;

namespace tetrode {

class FaultReporter;
class FileChooser;

// The calculator's only window. It owns the curve table for the whole run, lays its controls out
// from the window layout table, and turns the user's actions (Open, Calculate, Enter in the
// screen-voltage box, Quit) into calls on the core. Faults of an action are reported and leave the
// window open for further work.
class frmMain final : public QMainWindow {
    Q_OBJECT

  public:
    // The chooser and the reporter must outlive the window.
    frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent = nullptr);

    // The caption before any file is loaded, also the title of fault reports.
    static QString ProgramTitle();

    // Shows the loaded curves' anode and grid range, scaled by the voltage ratio in force, in the
    // four limit labels.
    void LabelDatasheetLimits();

    const CurveTable& curves() const { return m_table; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void CreateMenu();

    void OnOpen();
    void OnCalculate();
    void OnScreenBiasEnter();

    // Lets window events run during a load, and stops the load when the user has quit meanwhile.
    void YieldDuringLoad();

    template <class Widget> Widget& Control(const char* name) const;
    std::string EntryText(const char* name) const;
    void ShowLabelTexts(std::span<const LabelText> texts);
    void AppendToCaption(const QString& suffix);

    FileChooser& m_fileChooser;
    FaultReporter& m_faultReporter;
    CurveTable m_table;
    YieldToEvents m_processEvents;

    QLineEdit* m_txtScreenBias = nullptr;
    QPushButton* m_cmdCalculate = nullptr;

    // Set while a curve file loads: Open, Calculate and Enter wait for it to finish.
    bool m_loading = false;
    // Set when the user quits or closes the window while a load runs.
    bool m_quitRequested = false;
};

} // namespace tetrode

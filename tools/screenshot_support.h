// SPDX-License-Identifier: MIT
#pragma once

#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"

#include <QAction>
#include <QString>
#include <QTest>

#include <cstdio>
#include <utility>

// What the screenshot tools share: a user who picks the one file given and saves nowhere, and
// faults printed rather than shown (the tools fail on any).
namespace tetrode::tools {

class GivenFile final : public FileChooser {
  public:
    explicit GivenFile(QString path) : m_path(std::move(path)) {}
    QString ChooseFile(QWidget* /*parent*/) override { return m_path; }
    QString ChooseSaveFile(QWidget* /*parent*/, const QString& /*title*/, const QString& /*filter*/,
                           const QString& /*suggestedName*/) override {
        return {};
    }

  private:
    QString m_path;
};

class PrintedFaults final : public FaultReporter {
  public:
    void Report(QWidget* /*parent*/, const Fault& fault) override {
        std::fprintf(stderr, "%s\n", qPrintable(FaultReportText(fault)));
        ++count;
    }
    int count = 0;
};

// Shows the window and opens the file its chooser gives, as the user does with Open; false when the
// window never shows or the load does not end within a minute. Loads run on a thread of their
// own, so the boxes are typed into only once this returns.
inline bool ShowAndOpen(frmMain& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    window.findChild<QAction*>(QStringLiteral("mnuOpen"))->trigger();
    return QTest::qWaitFor([&window] { return !window.isLoading(); }, 60000);
}

} // namespace tetrode::tools

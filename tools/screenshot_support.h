// SPDX-License-Identifier: MIT
#pragma once

#include "window/fault_reporter.h"
#include "window/file_chooser.h"

#include <QString>

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

} // namespace tetrode::tools

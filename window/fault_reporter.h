// SPDX-License-Identifier: MIT
#pragma once

#include "platform/fault.h"

#include <QString>

class QWidget;

namespace tetrode {

// Tells the user that an action stopped on a fault. The window holds one of these so that tests
// can record the reports instead of showing a modal message box.
class FaultReporter {
  public:
    FaultReporter() = default;
    FaultReporter(const FaultReporter&) = delete;
    FaultReporter& operator=(const FaultReporter&) = delete;
    virtual ~FaultReporter() = default;

    virtual void Report(QWidget* parent, const Fault& fault) = 0;
};

// A critical message box under the program's title that names the kind of fault and its cause.
class MessageBoxFaultReporter final : public FaultReporter {
  public:
    explicit MessageBoxFaultReporter(QString programTitle);

    void Report(QWidget* parent, const Fault& fault) override;

  private:
    QString m_programTitle;
};

// The text of a fault report: the kind's name on the first line, the place and cause below it.
QString FaultReportText(const Fault& fault);

} // namespace tetrode

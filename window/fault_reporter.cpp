// SPDX-License-Identifier: MIT
#include "window/fault_reporter.h"

#include <QMessageBox>

#include <utility>

namespace tetrode {

MessageBoxFaultReporter::MessageBoxFaultReporter(QString programTitle)
    : m_programTitle(std::move(programTitle)) {}

void MessageBoxFaultReporter::Report(QWidget* parent, const Fault& fault) {
    QMessageBox::critical(parent, m_programTitle, FaultReportText(fault));
}

QString FaultReportText(const Fault& fault) {
    return QString::fromStdString(FaultReport(fault));
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
// Renders the charts window after a real Open and Calculate, for the README:
//   charts_screenshot <curve file> <output prefix> [screen bias anode bias grid bias min anode
//                                                   peak grid]
// It types the operating line (by default the README's example) as a user would, clicks Charts
// and writes each tab to <prefix>-curves.png, <prefix>-cycle.png and <prefix>-table.png. Fails on
// any fault.
#include "tools/screenshot_support.h"
#include "window/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <utility>

namespace {

using tetrode::tools::GivenFile;
using tetrode::tools::PrintedFaults;

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 8) {
        std::fprintf(stderr, "usage: %s <curve file> <output prefix> [five voltages]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    GivenFile fileChooser(QString::fromLocal8Bit(argv[1]));
    PrintedFaults faultReporter;
    tetrode::frmMain window(fileChooser, faultReporter);
    if (!tetrode::tools::ShowAndOpen(window)) {
        return 1;
    }
    const char* boxes[] = {"txtScreenBias", "txtAnodeBias", "txtGridBias", "txtMinAnode",
                           "txtPeakGrid"};
    const char* line[] = {"300", "3000", "-75", "400", "20"};
    for (int k = 0; k < 5; ++k) {
        auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(boxes[k]));
        box->setText(QString::fromLocal8Bit(argc == 8 ? argv[3 + k] : line[k]));
    }
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCalculate")),
                      Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCharts")), Qt::LeftButton);
    auto* charts = window.findChild<QWidget*>(QStringLiteral("frmCharts"));
    if (faultReporter.count > 0 || charts == nullptr || !QTest::qWaitForWindowExposed(charts)) {
        return 1;
    }
    auto* tabs = charts->findChild<QTabWidget*>(QStringLiteral("tabCharts"));
    const char* names[] = {"curves", "cycle", "table"};
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QTest::qWait(50);
        const QString path = QString::fromLocal8Bit(argv[2]) + '-' + names[tab] + ".png";
        if (!charts->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

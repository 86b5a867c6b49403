// SPDX-License-Identifier: MIT
// Renders the calculator's window after a real Open and Calculate, for the README:
//   window_screenshot <curve file> <output.png> [seconds to stay on screen] [font size in points]
// It types the operating line of the README's example as a user would, and fails on any fault.
// QT_SCALE_FACTOR and the X screen's size (xvfb-run -s "-screen 0 1280x900x24") set the rest.
#include "tools/screenshot_support.h"
#include "window/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

using tetrode::tools::GivenFile;
using tetrode::tools::PrintedFaults;

void Type(tetrode::frmMain& window, const char* box, const char* text) {
    auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(box));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <curve file> <output.png> [seconds]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    if (argc > 4) {
        QFont font = QApplication::font();
        font.setPointSizeF(std::atof(argv[4]));
        QApplication::setFont(font);
    }
    GivenFile fileChooser(QString::fromLocal8Bit(argv[1]));
    PrintedFaults faultReporter;
    tetrode::frmMain window(fileChooser, faultReporter);
    if (!tetrode::tools::ShowAndOpen(window)) {
        return 1;
    }
    Type(window, "txtScreenBias", "300");
    QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("txtScreenBias")), Qt::Key_Return);
    Type(window, "txtGridBias", "-75");
    Type(window, "txtAnodeBias", "3000");
    Type(window, "txtPeakGrid", "20");
    Type(window, "txtMinAnode", "400");
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCalculate")),
                      Qt::LeftButton);
    if (faultReporter.count > 0) {
        return 1;
    }

    if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 0;
    QTest::qWait(seconds * 1000);
    return 0;
}

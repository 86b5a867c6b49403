// SPDX-License-Identifier: MIT
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[]) {
    // Only the program's name is handed to the toolkit, so that no argument is taken for one of
    // its options; the one argument the calculator takes is a curve file to open at start.
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication application(toolkitArgc, argv);
    QApplication::setOrganizationName(QStringLiteral("tetrode-calculator"));
    QApplication::setApplicationName(QStringLiteral("tetrode-calculator"));

    tetrode::DialogFileChooser fileChooser;
    tetrode::MessageBoxFaultReporter faultReporter(tetrode::frmMain::ProgramTitle());
    tetrode::frmMain window(fileChooser, faultReporter);
    window.show();
    if (argc > 1) {
        window.OpenFile(QFile::decodeName(argv[1]));
    }
    return QApplication::exec();
}

// SPDX-License-Identifier: MIT
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The calculator takes no options: only the program's name is handed to the toolkit, so
    // nothing on the command line changes what it does.
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication application(toolkitArgc, argv);

    tetrode::DialogFileChooser fileChooser;
    tetrode::MessageBoxFaultReporter faultReporter(tetrode::frmMain::ProgramTitle());
    tetrode::frmMain window(fileChooser, faultReporter);
    window.show();
    return QApplication::exec();
}

// SPDX-License-Identifier: MIT
// Leaks on purpose in a slot that the event loop calls, to show that the leak suppressions of the
// instrumented test run hide no leak of the program's own code. The test passes when LeakSanitizer
// reports the leak.
#include <QApplication>
#include <QTimer>

namespace {
int* g_leaked = nullptr;
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTimer::singleShot(0, &application, [] {
        g_leaked = new int[64];
        g_leaked = nullptr;
        QApplication::quit();
    });
    return QApplication::exec();
}

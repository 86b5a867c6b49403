// SPDX-License-Identifier: MIT
// Starts like the calculator does, shows its window and exits as soon as the first frame is on the
// screen, printing the monotonic clock at that moment in nanoseconds. Built three times: with the
// calculator's window; with a bare QMainWindow as the yardstick (STARTUP_PROBE_BARE); and with a
// bare QMainWindow that shows one line of text (STARTUP_PROBE_TEXT), which pays the font system's
// start-up as any window with text does.
#include <QApplication>
#include <QTimer>
#include <QWindow>

#if defined(STARTUP_PROBE_BARE) || defined(STARTUP_PROBE_TEXT)
#include <QLabel>
#include <QMainWindow>
#else
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"
#endif

#include <cstdio>
#include <ctime>

namespace {

// The window system has exposed the window: its first frame is painted while this event is
// handled, so the clock is read in the next pass of the event loop.
class FirstFrame final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[]) {
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication application(toolkitArgc, argv);
#if defined(STARTUP_PROBE_BARE)
    QMainWindow window;
#elif defined(STARTUP_PROBE_TEXT)
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Tetrode Calculator"), &window));
#else
    tetrode::DialogFileChooser fileChooser;
    tetrode::MessageBoxFaultReporter faultReporter(tetrode::frmMain::ProgramTitle());
    tetrode::frmMain window(fileChooser, faultReporter);
#endif
    FirstFrame firstFrame;
    window.winId(); // creates the native window so its expose can be watched
    window.windowHandle()->installEventFilter(&firstFrame);
    window.show();
    return QApplication::exec();
}

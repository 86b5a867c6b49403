// SPDX-License-Identifier: MIT
// Measures how long the window's thread goes without handling events while the window loads a big
// curve file (2000 anode points x 2000 curves, about 100 MB), twice, so that the second load also
// replaces a big table. A timer asks to run every millisecond; the longest gap between two of its
// runs is the longest the window could not repaint or answer the user (target under 16 ms).
//   gui_stall_bench [folder for the generated file]
#include "bench/synthetic_table.h"
#include "curves/curve_file_writer.h"
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

class NoDialogs final : public tetrode::FileChooser, public tetrode::FaultReporter {
  public:
    QString ChooseFile(QWidget* /*parent*/) override { return {}; }
    QString ChooseSaveFile(QWidget* /*parent*/, const QString& /*title*/, const QString& /*filter*/,
                           const QString& /*name*/) override {
        return {};
    }
    void Report(QWidget* /*parent*/, const tetrode::Fault& fault) override {
        std::fprintf(stderr, "fault: %s\n", tetrode::FaultMessage(fault).c_str());
        failed = true;
    }
    bool failed = false;
};

std::string WriteBigCurveFile(const std::filesystem::path& folder) {
    const std::string path = (folder / "gui-stall-curves.csv").string();
    std::ofstream out(path, std::ios::binary);
    tetrode::WriteCurveFile(out, tetrode::bench::SyntheticTable(2000, 2000),
                            "generated for the stall bench");
    return path;
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int toolkitArgc = 1;
    QApplication application(toolkitArgc, argv);
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string path = WriteBigCurveFile(folder);
    std::printf("curve file: %.1f MB\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);

    NoDialogs dialogs;
    tetrode::frmMain window(dialogs, dialogs);
    window.show();
    QElapsedTimer clock;
    // The window's first frame is painted before any load: its cost is start-up's, not a stall.
    clock.start();
    while (clock.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestAt = 0; // when the longest stall ended, from the start of the load
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - last > longest) {
            longest = now - last;
            longestAt = now;
        }
        last = now;
    });
    for (int load = 1; load <= 2; ++load) {
        clock.start();
        last = 0;
        ticker.start();
        window.OpenFile(QString::fromStdString(path));
        while (window.isLoading()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
        ticker.stop();
        std::printf(
            "load %d: %.0f ms; longest stall of the window's thread %.2f ms, ending %.0f ms "
            "into the load (target under 16 ms)\n",
            load, static_cast<double>(clock.nsecsElapsed()) / 1e6,
            static_cast<double>(longest) / 1e6, static_cast<double>(longestAt) / 1e6);
        longest = 0;
    }
    std::filesystem::remove(path);
    return dialogs.failed ? 1 : 0;
}

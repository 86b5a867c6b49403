// SPDX-License-Identifier: MIT
// The charts window as the user meets it, on the example files and on a generated 2000 x 2000
// curve file: from a click on Charts to the window's first frame (a fresh program each run, so the
// charts module is loaded each time), under 150 ms on the examples; and from a click on Calculate
// to the charts drawn again, under 30 ms on the examples; on the large table the click's handler
// and the painting after it must each stay within a frame (16 ms), as both run on the window's
// thread. Prints the medians.
// Usage: charts_window_bench [runs]        (runs on the offscreen platform unless told otherwise)
//        charts_window_bench --open <file> (one run of the first measurement; prints ms)
#include "bench/synthetic_table.h"
#include "curves/curve_file_writer.h"
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

class Quiet final : public tetrode::FileChooser, public tetrode::FaultReporter {
  public:
    QString ChooseFile(QWidget* /*parent*/) override { return path; }
    QString ChooseSaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    void Report(QWidget* /*parent*/, const tetrode::Fault& fault) override {
        std::fprintf(stderr, "%s\n", fault.what());
        std::exit(1);
    }
    QString path;
};

// The main window with `file` open and a line calculated; `grid` picks the example's grid bias.
struct Calculator {
    explicit Calculator(const QString& file) : window(user, user) {
        user.path = file;
        window.show();
        window.findChild<QAction*>(QStringLiteral("mnuOpen"))->trigger();
        Calculate(0);
    }
    // One of two class-C lines, taken in turn so that every Calculate changes the figures.
    void Calculate(int which) {
        const bool large = window.session().Curves().NumAnodePoints() > 100;
        const char* lines[2][2][5] = {
            {{"250", "2500", "-90", "300", "20"}, {"300", "3000", "-100", "400", "25"}},
            {{"300", "2000", "-100", "300", "50"}, {"300", "2200", "-110", "300", "45"}}};
        const char* boxes[] = {"txtScreenBias", "txtAnodeBias", "txtGridBias", "txtMinAnode",
                               "txtPeakGrid"};
        for (int k = 0; k < 5; ++k) {
            window.findChild<QLineEdit*>(QString::fromLatin1(boxes[k]))
                ->setText(QString::fromLatin1(lines[large ? 1 : 0][which % 2][k]));
        }
        window.findChild<QPushButton*>(QStringLiteral("cmdCalculate"))->click();
    }
    QWidget* Charts() const { return window.findChild<QWidget*>(QStringLiteral("frmCharts")); }

    Quiet user;
    tetrode::frmMain window;
};

// From the click on Charts until the window's first frame has been drawn.
double OpenMilliseconds(Calculator& calculator) {
    QElapsedTimer timer;
    timer.start();
    calculator.window.findChild<QPushButton*>(QStringLiteral("cmdCharts"))->click();
    QWidget* charts = calculator.Charts();
    while (charts->windowHandle() == nullptr || !charts->windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// From the click on Calculate until the charts are drawn again: the click's handler (the
// calculation and the charts' new contents) and the painting that follows, in milliseconds. The
// window answers the user between the two, so neither may take more than a frame.
std::pair<double, double> RedrawMilliseconds(Calculator& calculator, int run) {
    QElapsedTimer timer;
    timer.start();
    calculator.Calculate(run);
    const double handler = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents();
    calculator.Charts()->repaint();
    return {handler, static_cast<double>(timer.nsecsElapsed()) / 1e6 - handler};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Opens the charts in a fresh program: the module and the chart toolkit load as they do for a
// user's first click.
double OpenInFreshProgram(const char* self, const std::string& file) {
    const std::string command = std::string(self) + " --open '" + file + "' 2>/dev/null";
    FILE* child = popen(command.c_str(), "r");
    double milliseconds = -1;
    if (child == nullptr || std::fscanf(child, "%lf", &milliseconds) != 1) {
        milliseconds = -1;
    }
    if (child != nullptr && pclose(child) != 0) {
        milliseconds = -1;
    }
    return milliseconds;
}

} // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int toolkitArgc = 1;
    QApplication application(toolkitArgc, argv);
    if (argc == 3 && std::string(argv[1]) == "--open") {
        Calculator calculator(QString::fromLocal8Bit(argv[2]));
        std::printf("%f\n", OpenMilliseconds(calculator));
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QTemporaryDir folder;
    const std::string large = folder.filePath(QStringLiteral("synthetic-2000.csv")).toStdString();
    {
        std::ofstream out(large, std::ios::binary);
        tetrode::WriteCurveFile(out, tetrode::bench::SyntheticTable(2000, 2000), "synthetic");
    }
    const std::string files[] = {TETRODE_EXAMPLES "/model-tetrode-250v.csv",
                                 TETRODE_EXAMPLES "/model-tetrode-400v.csv", large};
    std::printf("charts window, median of %d runs (%s platform)\n", runs,
                std::getenv("QT_QPA_PLATFORM"));
    std::printf("  %-24s %10s %28s\n", "", "open", "redraw after Calculate");
    std::printf("  %-24s %10s %10s %8s %8s\n", "curve file", "(ms)", "total (ms)", "handler",
                "paint");
    for (const std::string& file : files) {
        std::vector<double> opens, handlers, paints, redraws;
        for (int run = 0; run < runs; ++run) {
            const double open = OpenInFreshProgram(argv[0], file);
            if (open < 0) {
                std::fprintf(stderr, "the charts of %s did not open\n", file.c_str());
                return 1;
            }
            opens.push_back(open);
        }
        Calculator calculator(QString::fromStdString(file));
        OpenMilliseconds(calculator);
        for (int run = 0; run < runs; ++run) {
            const auto [handler, paint] = RedrawMilliseconds(calculator, run + 1);
            handlers.push_back(handler);
            paints.push_back(paint);
            redraws.push_back(handler + paint);
        }
        const std::string name =
            file == large ? "generated 2000 x 2000" : file.substr(file.rfind('/') + 1);
        std::printf("  %-24s %10.1f %10.1f %8.1f %8.1f\n", name.c_str(), Median(opens),
                    Median(redraws), Median(handlers), Median(paints));
    }
    std::printf("targets: open < 150 ms and redraw < 30 ms on the examples; on the large table "
                "the handler and the paint each within a frame (16 ms)\n");
    return 0;
}

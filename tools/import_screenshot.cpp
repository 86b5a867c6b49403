// SPDX-License-Identifier: MIT
// Renders the charts window after a real Import, for the README's picture of the fit:
//   import_screenshot <digitizer export> <screen voltage> <output.png> [anode axis] [grid axis]
// It imports the export (curves named by their family) at the screen voltage, on the axes given or
// proposed, declines to save the result, clicks Charts and writes the constant-current tab. Fails
// on any fault.
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/frm_main.h"
#include "window/import_asker.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <utility>

namespace {

// Answers as the README's user: the one export, the screen voltage and axes given, no saving.
class GivenAnswers final : public tetrode::FileChooser,
                           public tetrode::FaultReporter,
                           public tetrode::ImportAsker {
  public:
    GivenAnswers(std::string exportPath, tetrode::ImportSettingsTexts settings)
        : m_exportPath(std::move(exportPath)), m_settings(std::move(settings)) {}

    QString ChooseFile(QWidget* /*parent*/) override { return {}; }
    QString ChooseSaveFile(QWidget* /*parent*/, const QString& /*title*/, const QString& /*filter*/,
                           const QString& /*suggestedName*/) override {
        return {};
    }
    void Report(QWidget* /*parent*/, const tetrode::Fault& fault) override {
        std::fprintf(stderr, "%s\n", qPrintable(tetrode::FaultReportText(fault)));
        ++faults;
    }
    std::vector<tetrode::DigitizedFile> ChooseExports(QWidget* /*parent*/) override {
        return {{m_exportPath, std::nullopt}};
    }
    std::optional<tetrode::ImportSettingsTexts>
    AskSettings(QWidget* /*parent*/, const tetrode::ImportSettingsTexts& /*shown*/,
                const QString& /*summary*/) override {
        // Asked again only after a refusal, which ends the tool.
        return faults == 0 ? std::optional(m_settings) : std::nullopt;
    }

    int faults = 0;

  private:
    std::string m_exportPath;
    tetrode::ImportSettingsTexts m_settings;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr,
                     "usage: %s <digitizer export> <screen voltage> <output.png> [anode axis] "
                     "[grid axis]\n",
                     argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    GivenAnswers user(argv[1], {QString::fromLocal8Bit(argv[2]),
                                argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString(),
                                argc > 5 ? QString::fromLocal8Bit(argv[5]) : QString()});
    tetrode::frmMain window(user, user, nullptr, tetrode::kLoadCurveFile, &user);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    window.findChild<QAction*>(QStringLiteral("mnuImport"))->trigger();
    if (!QTest::qWaitFor([&] { return !window.isLoading(); }, 60000) || user.faults > 0) {
        return 1;
    }
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCharts")), Qt::LeftButton);
    auto* charts = window.findChild<QWidget*>(QStringLiteral("frmCharts"));
    if (user.faults > 0 || charts == nullptr || !QTest::qWaitForWindowExposed(charts)) {
        return 1;
    }
    QTest::qWait(100);
    if (!charts->grab().save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}

// SPDX-License-Identifier: MIT
#pragma once

#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/import_asker.h"

#include <QChart>
#include <QList>
#include <QPointF>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

// Shows texts as texts in failure messages.
void PrintTo(const QString& text, std::ostream* out);

// What the window tests share: a user at the dialogs and a guard against modal dialogs.
namespace tetrode::testing {

// The user at the dialogs: answers the windows' file and import questions from queues, fails the
// test when asked something no answer was given for, and records the faults reported.
class FakeUser final : public FileChooser, public FaultReporter, public ImportAsker {
  public:
    QString ChooseFile(QWidget* parent) override;
    QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter,
                           const QString& suggestedName) override;
    void Report(QWidget* parent, const Fault& fault) override;
    std::vector<DigitizedFile> ChooseExports(QWidget* parent) override;
    std::optional<ImportSettingsTexts>
    AskSettings(QWidget* parent, const ImportSettingsTexts& shown, const QString& summary) override;

    // True when every answer given was asked for.
    bool AllAnswered() const { return answers.empty() && exports.empty() && settings.empty(); }

    QStringList answers; // file paths; an empty one cancels
    std::vector<Fault> faults;
    QList<std::vector<DigitizedFile>> exports;
    QList<std::optional<ImportSettingsTexts>> settings; // none: cancel
    std::vector<ImportSettingsTexts> prefilled;         // what the settings were prefilled with
};

// A modal dialog would stop a headless test for good: while this lives, any that appears is closed
// and fails the test.
class ModalWatchdog {
  public:
    ModalWatchdog();

  private:
    QTimer m_timer;
};

// The child of `root` of that name; throws when there is none, so that a renamed control cannot
// pass unseen.
template <class Child = QWidget> Child& Find(const QObject& root, const QString& name) {
    auto* child = root.findChild<Child*>(name);
    if (child == nullptr) {
        throw std::logic_error("no child named " + name.toStdString());
    }
    return *child;
}

// The points of the visible series of `chart` named `name`, one series after another.
std::vector<QPointF> SeriesPoints(const QChart& chart, const QString& name);

// The main of a window test: headless unless a display is at hand, the locale pinned so that
// figures' texts are the same on every machine.
int RunWindowTests(int argc, char* argv[]);

} // namespace tetrode::testing

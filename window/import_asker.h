// SPDX-License-Identifier: MIT
#pragma once

#include "import/curve_import.h"

#include <QCoreApplication>
#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace tetrode {

// What the user types for an import: the screen voltage the chart was drawn at and the table's
// axes as FROM:TO:STEP (an empty axis: the proposed one).
struct ImportSettingsTexts {
    QString screenVoltage;
    QString anodeAxis;
    QString gridAxis;

    friend bool operator==(const ImportSettingsTexts&, const ImportSettingsTexts&) = default;
};

// Asks the user what to import. The window holds one of these so that tests can answer in place
// of the user without a modal dialog.
class ImportAsker {
  public:
    ImportAsker() = default;
    ImportAsker(const ImportAsker&) = delete;
    ImportAsker& operator=(const ImportAsker&) = delete;
    virtual ~ImportAsker() = default;

    // The digitizer exports to import, each with the family of all its curves or none when the
    // names give it; none at all when the user cancels.
    virtual std::vector<DigitizedFile> ChooseExports(QWidget* parent) = 0;

    // The screen voltage and the axes, starting from `shown` (the proposal, or what the user gave
    // before it was refused); `summary` says what the exports hold. None when the user cancels.
    virtual std::optional<ImportSettingsTexts>
    AskSettings(QWidget* parent, const ImportSettingsTexts& shown, const QString& summary) = 0;
};

// The toolkit's dialogs: a list of exports with the family of each, and a form of the screen
// voltage and the two axes.
class DialogImportAsker final : public ImportAsker {
    Q_DECLARE_TR_FUNCTIONS(DialogImportAsker)

  public:
    std::vector<DigitizedFile> ChooseExports(QWidget* parent) override;
    std::optional<ImportSettingsTexts>
    AskSettings(QWidget* parent, const ImportSettingsTexts& shown, const QString& summary) override;
};

} // namespace tetrode

// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

namespace tetrode {

// Asks the user for the curve file to open. The window holds one of these so that tests can answer
// in place of the user without a modal dialog.
class FileChooser {
  public:
    FileChooser() = default;
    FileChooser(const FileChooser&) = delete;
    FileChooser& operator=(const FileChooser&) = delete;
    virtual ~FileChooser() = default;

    // The full path of the chosen file, or an empty string when the user cancels.
    virtual QString ChooseFile(QWidget* parent) = 0;
};

// The platform's open-file dialog titled "Choose a Tetrode", with no filter and no start folder.
class DialogFileChooser final : public FileChooser {
    Q_DECLARE_TR_FUNCTIONS(DialogFileChooser)

  public:
    QString ChooseFile(QWidget* parent) override;
};

} // namespace tetrode

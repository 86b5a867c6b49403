// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

namespace tetrode {

// Asks the user for a file to open or to save to. The windows hold one of these so that tests can
// answer in place of the user without a modal dialog.
class FileChooser {
  public:
    FileChooser() = default;
    FileChooser(const FileChooser&) = delete;
    FileChooser& operator=(const FileChooser&) = delete;
    virtual ~FileChooser() = default;

    // The full path of the curve file to open, or an empty string when the user cancels.
    virtual QString ChooseFile(QWidget* parent) = 0;

    // The full path of a file to write, or an empty string when the user cancels. `filter` lists
    // the file types as Qt's dialogs take them ("CSV files (*.csv)"); `suggestedName` is proposed.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& suggestedName) = 0;
};

// The platform's file dialogs: the open-file dialog titled "Choose a Tetrode", offering curve files
// (*.csv, *.txt) or all files and starting in the folder of the last file loaded; and a save-file
// dialog that asks before replacing a file.
class DialogFileChooser final : public FileChooser {
    Q_DECLARE_TR_FUNCTIONS(DialogFileChooser)

  public:
    QString ChooseFile(QWidget* parent) override;
    QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter,
                           const QString& suggestedName) override;
};

} // namespace tetrode

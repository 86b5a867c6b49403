// SPDX-License-Identifier: MIT
#include "window/file_chooser.h"

#include <QFileDialog>

namespace tetrode {

QString DialogFileChooser::ChooseFile(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, tr("Choose a Tetrode"));
}

QString DialogFileChooser::ChooseSaveFile(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& suggestedName) {
    return QFileDialog::getSaveFileName(parent, title, suggestedName, filter);
}

} // namespace tetrode

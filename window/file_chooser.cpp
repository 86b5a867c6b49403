// SPDX-License-Identifier: MIT
#include "window/file_chooser.h"

#include <QFileDialog>

namespace tetrode {

QString DialogFileChooser::ChooseFile(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, tr("Choose a Tetrode"));
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "window/file_chooser.h"

#include <QFileDialog>
#include <QSettings>

namespace tetrode {

QString DialogFileChooser::ChooseFile(QWidget* parent) {
    // The folder of the last file loaded, remembered between runs by the window.
    const QString folder = QSettings().value(QStringLiteral("lastCurveFolder")).toString();
    return QFileDialog::getOpenFileName(parent, tr("Choose a Tetrode"), folder,
                                        tr("Curve files (*.csv *.txt)") + QStringLiteral(";;") +
                                            tr("All files (*)"));
}

QString DialogFileChooser::ChooseSaveFile(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& suggestedName) {
    return QFileDialog::getSaveFileName(parent, title, suggestedName, filter);
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "window/import_asker.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tetrode {
namespace {

// The folder the exports were last chosen from, kept between runs.
const QString kLastImportFolderKey = QStringLiteral("lastImportFolder");

// The families a file can be given as, in the order the list offers them; none: the names say.
const std::optional<CurrentFamily> kFileFamilies[] = {std::nullopt, CurrentFamily::Anode,
                                                      CurrentFamily::Screen, CurrentFamily::Grid};
const char* const kFileFamilyCaptions[] = {
    QT_TRANSLATE_NOOP("tetrode::DialogImportAsker", "Named in the file (Ia, Is, Ig)"),
    QT_TRANSLATE_NOOP("tetrode::DialogImportAsker", "Anode current"),
    QT_TRANSLATE_NOOP("tetrode::DialogImportAsker", "Screen current"),
    QT_TRANSLATE_NOOP("tetrode::DialogImportAsker", "Grid current"),
};

QString Tr(const char* text) {
    return QCoreApplication::translate("tetrode::DialogImportAsker", text);
}

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// The exports to import: a list of files, each with the family its curves are of.
class ImportFilesDialog final : public QDialog {
  public:
    explicit ImportFilesDialog(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("dlgImportFiles"));
        setWindowTitle(Tr("Import Digitized Curves"));
        auto* intro = new QLabel(Tr("Add the exports of a traced constant-current chart (Engauge "
                                    "Digitizer, WebPlotDigitizer) and say which current the "
                                    "curves of each stand for. Curves named with their family "
                                    "(\"Ia 2A\", \"Is 100mA\", \"Ig 10mA\") may share a file."),
                                 this);
        intro->setWordWrap(true);
        m_files = new QTableWidget(0, 2, this);
        m_files->setObjectName(QStringLiteral("grdImportFiles"));
        m_files->setHorizontalHeaderLabels({Tr("File"), Tr("Curves of")});
        m_files->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
        // The list of families is a widget in the cell, which the header cannot measure.
        m_files->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
        QComboBox sample;
        for (const char* caption : kFileFamilyCaptions) {
            sample.addItem(Tr(caption));
        }
        m_files->horizontalHeader()->resizeSection(1, sample.sizeHint().width());
        m_files->verticalHeader()->setVisible(false);
        m_files->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_files->setEditTriggers(QAbstractItemView::NoEditTriggers);
        auto* add = NewButton("cmdAddExports", Tr("&Add Files\u2026"), this);
        auto* remove = NewButton("cmdRemoveExport", Tr("&Remove"), this);
        m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(add, &QPushButton::clicked, this, &ImportFilesDialog::AddFiles);
        connect(remove, &QPushButton::clicked, this, [this] {
            m_files->removeRow(m_files->currentRow());
            Follow();
        });
        connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* side = new QVBoxLayout;
        side->addWidget(add);
        side->addWidget(remove);
        side->addStretch();
        auto* list = new QHBoxLayout;
        list->addWidget(m_files, 1);
        list->addLayout(side);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(intro);
        layout->addLayout(list, 1);
        layout->addWidget(m_buttons);
        resize(fontMetrics().averageCharWidth() * 100, fontMetrics().height() * 18);
        Follow();
    }

    std::vector<DigitizedFile> Files() const {
        std::vector<DigitizedFile> files;
        for (int row = 0; row < m_files->rowCount(); ++row) {
            const auto* family = static_cast<QComboBox*>(m_files->cellWidget(row, 1));
            files.push_back({QFile::encodeName(m_files->item(row, 0)->data(Qt::UserRole).toString())
                                 .toStdString(),
                             kFileFamilies[family->currentIndex()]});
        }
        return files;
    }

  private:
    void AddFiles() {
        QSettings settings;
        const QStringList paths = QFileDialog::getOpenFileNames(
            this, Tr("Choose Digitizer Exports"), settings.value(kLastImportFolderKey).toString(),
            Tr("Digitizer exports (*.csv *.txt *.tsv *.dat)") + QStringLiteral(";;") +
                Tr("All files (*)"));
        for (const QString& path : paths) {
            const int row = m_files->rowCount();
            m_files->insertRow(row);
            auto* name = new QTableWidgetItem(QFileInfo(path).fileName());
            name->setData(Qt::UserRole, path);
            name->setToolTip(path);
            m_files->setItem(row, 0, name);
            auto* family = new QComboBox(m_files);
            for (const char* caption : kFileFamilyCaptions) {
                family->addItem(Tr(caption));
            }
            m_files->setCellWidget(row, 1, family);
        }
        if (!paths.isEmpty()) {
            settings.setValue(kLastImportFolderKey, QFileInfo(paths.front()).absolutePath());
        }
        Follow();
    }

    void Follow() { m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_files->rowCount() > 0); }

    QTableWidget* m_files = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

// The screen voltage the chart was drawn at and the axes of the table.
class ImportSettingsDialog final : public QDialog {
  public:
    ImportSettingsDialog(QWidget* parent, const ImportSettingsTexts& shown, const QString& summary)
        : QDialog(parent) {
        setObjectName(QStringLiteral("dlgImportSettings"));
        setWindowTitle(Tr("Import Digitized Curves"));
        auto* read = new QLabel(summary, this);
        read->setObjectName(QStringLiteral("lblImportSummary"));
        read->setTextFormat(Qt::PlainText);
        read->setWordWrap(true);
        const auto box = [this](const char* name, const QString& text, const QString& hint) {
            auto* edit = new QLineEdit(text, this);
            edit->setObjectName(QString::fromLatin1(name));
            edit->setPlaceholderText(hint);
            return edit;
        };
        m_screen = box("txtImportScreenVoltage", shown.screenVoltage, Tr("as the chart says"));
        m_anode = box("txtImportAnodeAxis", shown.anodeAxis, Tr("proposed from the points"));
        m_grid = box("txtImportGridAxis", shown.gridAxis, Tr("proposed from the points"));
        m_anode->setToolTip(Tr("The table's anode voltages, rising, such as 0:3000:100"));
        m_grid->setToolTip(Tr("The table's grid voltages from the most positive down, such as "
                              "20:-70:-2.5"));
        auto* form = new QFormLayout;
        form->addRow(Tr("&Screen voltage of the chart (V):"), m_screen);
        form->addRow(Tr("&Anode axis (FROM:TO:STEP, V):"), m_anode);
        form->addRow(Tr("&Grid axis (FROM:TO:STEP, V):"), m_grid);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(read);
        layout->addLayout(form);
        layout->addStretch();
        layout->addWidget(buttons);
        resize(fontMetrics().averageCharWidth() * 90, sizeHint().height());
        m_screen->setFocus();
    }

    ImportSettingsTexts Texts() const {
        return {m_screen->text(), m_anode->text().trimmed(), m_grid->text().trimmed()};
    }

  private:
    QLineEdit* m_screen = nullptr;
    QLineEdit* m_anode = nullptr;
    QLineEdit* m_grid = nullptr;
};

} // namespace

std::vector<DigitizedFile> DialogImportAsker::ChooseExports(QWidget* parent) {
    ImportFilesDialog dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Files() : std::vector<DigitizedFile>();
}

std::optional<ImportSettingsTexts> DialogImportAsker::AskSettings(QWidget* parent,
                                                                  const ImportSettingsTexts& shown,
                                                                  const QString& summary) {
    ImportSettingsDialog dialog(parent, shown, summary);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Texts();
}

} // namespace tetrode

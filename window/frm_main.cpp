// SPDX-License-Identifier: MIT
#include "window/frm_main.h"

#include "platform/fault.h"
#include "window/charts_view.h"
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/layout_font.h"
#include "window/window_layout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

namespace tetrode {
namespace {

// The characters a caption drops from the end of a file's name: the ".csv" of a usual name.
constexpr qsizetype kExtensionLength = 4;

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The separator of the user's locale, for the result labels and the data limits alike, so the
// window shows every figure with one separator; typed numbers read it beside the full stop.
std::string LocaleDecimalSeparator() {
    return QLocale().decimalPoint().toStdString();
}

// What the caption shows of a loaded file: its name less the last four characters (not bytes or
// UTF-16 units: "Röhre.dät" gives "Röhre"), or the whole name when it is shorter.
QString CaptionName(const std::string& fileName) {
    QList<uint> characters = QFile::decodeName(QByteArray::fromStdString(fileName)).toUcs4();
    if (characters.size() >= kExtensionLength) {
        characters.resize(characters.size() - kExtensionLength);
    }
    QString name = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                                     characters.size());
    // "[*]" is the toolkit's placeholder for a modified mark; a file name that holds it must show
    // it, so it is escaped by doubling.
    return name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

} // namespace

frmMain::frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent)
    : QMainWindow(parent), m_fileChooser(fileChooser), m_faultReporter(faultReporter) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramTitle());
    setFont(FontFittingLayout(font()));
    CreateMenu();
    CreateControls();
    m_txtScreenBias = &Control<QLineEdit>("txtScreenBias");
    m_txtAnodeBias = &Control<QLineEdit>("txtAnodeBias");
    m_txtGridBias = &Control<QLineEdit>("txtGridBias");
    m_txtMinAnode = &Control<QLineEdit>("txtMinAnode");
    m_txtPeakGrid = &Control<QLineEdit>("txtPeakGrid");
    for (std::size_t k = 0; k < kFigureCount; ++k) {
        m_figureLabels[k] = &Control<QLabel>(FigureLabelNames[k]);
    }
    for (std::size_t k = 0; k < LimitLabelNames.size(); ++k) {
        m_limitLabels[k] = &Control<QLabel>(LimitLabelNames[k]);
    }
    m_lblDataSheetScreenV = &Control<QLabel>(DataSheetScreenVLabelName);
    m_session.SetLocaleDecimalSeparator(LocaleDecimalSeparator());
    m_txtScreenBias->installEventFilter(this);
    m_cmdCalculate = &Control<QPushButton>("cmdCalculate");
    m_cmdCalculate->setEnabled(false);
    connect(m_cmdCalculate, &QPushButton::clicked, this, &frmMain::OnCalculate);
    connect(&Control<QPushButton>("cmdCharts"), &QPushButton::clicked, this, &frmMain::OnCharts);
    m_txtGridBias->setFocus();
}

QString frmMain::ProgramTitle() {
    return tr("Tetrode Calculator");
}

void frmMain::CreateMenu() {
    QAction* open = menuBar()->addAction(tr("Open"));
    open->setObjectName(QStringLiteral("mnuOpen"));
    connect(open, &QAction::triggered, this, &frmMain::OnOpen);
    QAction* quit = menuBar()->addAction(tr("Quit"));
    quit->setObjectName(QStringLiteral("mnuQuit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void frmMain::CreateControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    // The controls never move, so the client area has one size and the window cannot be resized.
    client->setFixedSize(PixelsFromTwips(ClientWidthTwips), PixelsFromTwips(ClientHeightTwips));
    setCentralWidget(client);

    std::vector<const ControlSpec*> focusOrder;
    for (const ControlSpec& spec : WindowLayout()) {
        QWidget* container = *spec.parent == '\0' ? client : &Control<QGroupBox>(spec.parent);
        const QString caption = tr(spec.caption);
        QWidget* widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Frame:
            widget = new QGroupBox(caption, container);
            break;
        case ControlKind::Label: {
            auto* label = new QLabel(caption, container);
            // Label texts come from curve files too; they are shown as they stand, never as markup.
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(false);
            widget = label;
            break;
        }
        case ControlKind::EntryBox: {
            auto* box = new QLineEdit(caption, container);
            box->setMaxLength(std::numeric_limits<int>::max());
            widget = box;
            focusOrder.push_back(&spec);
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, container);
            // No default button: Enter and Escape press nothing.
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            focusOrder.push_back(&spec);
            break;
        }
        }
        widget->setObjectName(QString::fromLatin1(spec.name));
        widget->setGeometry(PixelRect(spec));
    }

    // Each entry box's caption is the label on its row, so screen readers announce it.
    for (const ControlSpec& box : WindowLayout()) {
        if (box.kind != ControlKind::EntryBox) {
            continue;
        }
        for (const ControlSpec& label : WindowLayout()) {
            if (label.kind == ControlKind::Label && std::string_view(label.parent) == box.parent &&
                label.top == box.top) {
                Control<QLabel>(label.name).setBuddy(&Control<QLineEdit>(box.name));
            }
        }
    }

    std::ranges::sort(focusOrder, {}, &ControlSpec::tabIndex);
    for (std::size_t i = 1; i < focusOrder.size(); ++i) {
        setTabOrder(&Control<QWidget>(focusOrder[i - 1]->name),
                    &Control<QWidget>(focusOrder[i]->name));
    }
}

template <class Widget> Widget& frmMain::Control(const char* name) const {
    auto* widget = findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qFatal("frmMain has no control %s", name);
    }
    return *widget;
}

template <typename Action> void frmMain::ReportingFaults(Action&& action) {
    try {
        action();
    } catch (const Fault& fault) {
        // A refused text: the user goes on where the fault is.
        if (const auto* input = std::get_if<InputPlace>(&fault.place())) {
            if (QLineEdit* box = BoxNamed(input->input)) {
                box->setFocus();
                box->selectAll();
            }
        }
        m_faultReporter.Report(this, fault);
    }
}

QLineEdit* frmMain::BoxNamed(std::string_view input) const {
    const std::pair<std::string_view, QLineEdit*> boxes[] = {
        {input_name::ScreenBias, m_txtScreenBias}, {input_name::AnodeBias, m_txtAnodeBias},
        {input_name::GridBias, m_txtGridBias},     {input_name::MinAnode, m_txtMinAnode},
        {input_name::PeakGrid, m_txtPeakGrid},
    };
    for (const auto& [name, box] : boxes) {
        if (name == input) {
            return box;
        }
    }
    return nullptr;
}

void frmMain::ShowLimits() {
    // Shown with the locale's separator, as the result labels beside them are.
    const auto texts = FormatDataLimits(m_session.Limits().value(), LocaleDecimalSeparator());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        m_limitLabels[k]->setText(Utf8(texts[k]));
    }
}

void frmMain::ShowFigures(const OperatingParameters& figures) {
    const auto texts = FormatOperatingParameters(figures, LocaleDecimalSeparator());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        m_figureLabels[k]->setText(Utf8(texts[k]));
    }
}

void frmMain::OnOpen() {
    if (m_loading) {
        return;
    }
    const QString path = m_fileChooser.ChooseFile(this);
    if (path.isEmpty()) {
        return;
    }
    try {
        ReportingFaults([&] {
            {
                const QScopedValueRollback<bool> loading(m_loading, true);
                m_session.Open(QFile::encodeName(path).toStdString(),
                               [this](std::uint64_t, std::uint64_t) { WhileLoading(); });
            }
            // A fresh design: the file's own screen voltage, its own range, no figures yet.
            const QString screenVoltage = Utf8(m_session.ScreenVoltageText());
            m_txtScreenBias->setText(screenVoltage);
            m_lblDataSheetScreenV->setText(screenVoltage);
            setWindowTitle(ProgramTitle() + ' ' + CaptionName(m_session.FileName()));
            ShowLimits();
            for (QLabel* label : m_figureLabels) {
                label->setText(QStringLiteral("0"));
            }
            m_cmdCalculate->setEnabled(true);
            emit sessionChanged();
        });
    } catch (const WorkCancelled&) {
        QCoreApplication::quit();
    }
}

void frmMain::WhileLoading() {
    QCoreApplication::processEvents();
    if (m_quitRequested) {
        throw WorkCancelled();
    }
}

void frmMain::OnCalculate() {
    if (m_loading) {
        return;
    }
    ReportingFaults([this] {
        const OperatingLineTexts texts{
            .ScreenBias = m_txtScreenBias->text().toStdString(),
            .AnodeBias = m_txtAnodeBias->text().toStdString(),
            .GridBias = m_txtGridBias->text().toStdString(),
            .MinAnode = m_txtMinAnode->text().toStdString(),
            .PeakGrid = m_txtPeakGrid->text().toStdString(),
        };
        ShowFigures(m_session.Calculate(texts).figures);
        ShowLimits();
        emit sessionChanged();
    });
}

void frmMain::OnScreenBiasEnter() {
    if (m_loading) {
        return;
    }
    ReportingFaults([this] {
        // The ratio is formed from the box over the text the label shows, which is the session's
        // screen-voltage text.
        m_session.SetScreenVoltage(m_txtScreenBias->text().toStdString());
        ShowLimits();
        emit sessionChanged();
    });
}

void frmMain::OnCharts() {
    ReportingFaults([this] {
        if (m_charts == nullptr) {
            m_charts = CreateChartsView(m_session, m_fileChooser, m_faultReporter, this);
            connect(this, &frmMain::sessionChanged, m_charts->Widget(),
                    [charts = m_charts] { charts->Follow(); });
        }
        QWidget* charts = m_charts->Widget();
        charts->show();
        charts->raise();
        charts->activateWindow();
    });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtScreenBias && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnScreenBiasEnter();
        }
    }
    // The key goes on to the box as usual.
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_loading) {
        m_quitRequested = true;
    }
    QMainWindow::closeEvent(event);
}

} // namespace tetrode

// SPDX-License-Identifier: MIT
#include "window/frm_main.h"

#include "analysis/load_line.h"
#include "curves/curve_loader.h"
#include "platform/event_yield.h"
#include "platform/fault.h"
#include "platform/fault_reporter.h"
#include "platform/file_chooser.h"
#include "window/data_limits.h"
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
#include <utility>
#include <vector>

namespace tetrode {
namespace {

// Thrown out of a load's yield when the user quit meanwhile, so the load unwinds at once and the
// program can end. Not a Fault: nothing is reported.
struct LoadAbandoned {};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The separator of the user's locale, for the result labels and the data limits alike, so the
// window shows every figure with one separator. Typed numbers always read the full stop.
std::string LocaleDecimalSeparator() {
    return QLocale().decimalPoint().toStdString();
}

} // namespace

frmMain::frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent)
    : QMainWindow(parent), m_fileChooser(fileChooser), m_faultReporter(faultReporter),
      m_processEvents(EventLoopYield()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramTitle());
    setFont(FontFittingLayout(font()));
    CreateMenu();
    CreateControls();
    m_txtScreenBias = &Control<QLineEdit>("txtScreenBias");
    m_txtScreenBias->installEventFilter(this);
    m_cmdCalculate = &Control<QPushButton>("cmdCalculate");
    m_cmdCalculate->setEnabled(false);
    connect(m_cmdCalculate, &QPushButton::clicked, this, &frmMain::OnCalculate);
    // Charts has no view behind it; it is left unconnected on purpose.
    Control<QLineEdit>("txtGridBias").setFocus();
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

std::string frmMain::EntryText(const char* name) const {
    return Control<QLineEdit>(name).text().toStdString();
}

void frmMain::ShowLabelTexts(std::span<const LabelText> texts) {
    for (const LabelText& text : texts) {
        Control<QLabel>(std::string(text.label).c_str()).setText(Utf8(text.text));
    }
}

void frmMain::AppendToCaption(const QString& suffix) {
    // "[*]" is the toolkit's placeholder for a modified mark; a file name that holds it must show
    // it, so it is escaped by doubling.
    QString escaped = suffix;
    escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(windowTitle() + escaped);
}

void frmMain::LabelDatasheetLimits() {
    // Shown with the locale's separator, as the result labels beside them are.
    ShowLabelTexts(DatasheetLimitTexts(m_table, m_table.VoltageRatio, LocaleDecimalSeparator()));
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
        LoadedCurveFile loaded;
        {
            const QScopedValueRollback<bool> loading(m_loading, true);
            loaded =
                LoadCurveFile(QFile::encodeName(path).toStdString(), [this] { YieldDuringLoad(); });
        }
        // The limits are formed before anything changes, so a file whose limits cannot be shown
        // leaves the window as the last completed load left it.
        DatasheetLimitTexts(loaded.table, m_table.VoltageRatio, LocaleDecimalSeparator());

        m_table.AdoptCurves(std::move(loaded.table));
        const QString screenVoltage = Utf8(loaded.screenVoltageText);
        m_txtScreenBias->setText(screenVoltage);
        Control<QLabel>("lblDataSheetScreenV").setText(screenVoltage);
        AppendToCaption(QFile::decodeName(QByteArray::fromStdString(loaded.captionSuffix)));
        LabelDatasheetLimits();
        m_cmdCalculate->setEnabled(true);
    } catch (const LoadAbandoned&) {
        QCoreApplication::quit();
    } catch (const Fault& fault) {
        m_faultReporter.Report(this, fault);
    }
}

void frmMain::YieldDuringLoad() {
    m_processEvents();
    if (m_quitRequested) {
        throw LoadAbandoned{};
    }
}

void frmMain::OnCalculate() {
    if (m_loading) {
        return;
    }
    try {
        const OperatingLineTexts texts{
            .ScreenBias = EntryText("txtScreenBias"),
            .AnodeBias = EntryText("txtAnodeBias"),
            .GridBias = EntryText("txtGridBias"),
            .MinAnode = EntryText("txtMinAnode"),
            .PeakGrid = EntryText("txtPeakGrid"),
        };
        const LoadLineSamples samples = SampleLoadLine(m_table, texts);
        const OperatingParameters figures = ComputeOperatingParameters(samples, m_table);
        ShowLabelTexts(FormatOperatingParameters(figures, LocaleDecimalSeparator()));
    } catch (const Fault& fault) {
        m_faultReporter.Report(this, fault);
    }
}

void frmMain::OnScreenBiasEnter() {
    if (m_loading) {
        return;
    }
    try {
        const float ratio =
            VoltageRatioFromTexts(EntryText("txtScreenBias"),
                                  Control<QLabel>("lblDataSheetScreenV").text().toStdString());
        // Formed with the new ratio before it is stored, so a ratio whose limits overflow
        // changes nothing.
        const auto limits = DatasheetLimitTexts(m_table, ratio, LocaleDecimalSeparator());
        m_table.VoltageRatio = ratio;
        ShowLabelTexts(limits);
    } catch (const Fault& fault) {
        m_faultReporter.Report(this, fault);
    }
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

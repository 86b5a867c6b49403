// SPDX-License-Identifier: MIT
#include "window/frm_main.h"

#include "analysis/line_warnings.h"
#include "platform/fault.h"
#include "results/results_sheet.h"
#include "window/charts_view.h"
#include "window/fast_paint_style.h"
#include "window/fault_reporter.h"
#include "window/file_chooser.h"
#include "window/import_asker.h"
#include "window/import_job.h"
#include "window/layout_scale.h"
#include "window/window_layout.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <variant>
#include <vector>

namespace tetrode {
namespace {

// The characters a caption drops from the end of a file's name: the ".csv" of a usual name.
constexpr qsizetype kExtensionLength = 4;

// A load shows its progress only when it takes longer than this, so a usual file loads without a
// flicker.
constexpr int kProgressDelayMs = 300;
constexpr int kProgressTickMs = 50;

// How long after the first frame the values become selectable.
constexpr int kSelectableDelayMs = 100;

// What a value label shows before any figure.
const QString kNoValue = QStringLiteral("0");

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The separator of the user's locale, for the result labels and the data limits alike, so the
// window shows every figure with one separator; typed numbers read it beside the full stop.
std::string LocaleDecimalSeparator() {
    return QLocale().decimalPoint().toStdString();
}

// What the caption shows of a loaded file: its name less the last four characters (not bytes or
// UTF-16 units: "Röhre.dät" gives "Röhre"), or the whole name when it is shorter; control
// characters escaped.
QString CaptionName(const std::string& fileName) {
    QList<uint> characters = QFile::decodeName(QByteArray::fromStdString(fileName)).toUcs4();
    if (characters.size() >= kExtensionLength) {
        characters.resize(characters.size() - kExtensionLength);
    }
    const QString name = QString::fromUcs4(
        reinterpret_cast<const char32_t*>(characters.constData()), characters.size());
    QString shown = Utf8(EscapeForDisplay(name.toStdString(), 200));
    // "[*]" is the toolkit's placeholder for a modified mark; a file name that holds it must show
    // it, so it is escaped by doubling.
    return shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

// An exception that is no Fault, as one: running out of memory is its own kind; anything else
// is reported with its own words, so that the user learns something went wrong and the window
// stays as it was.
Fault AsFault(const std::exception& exception) {
    if (dynamic_cast<const std::bad_alloc*>(&exception) != nullptr ||
        dynamic_cast<const std::length_error*>(&exception) != nullptr) {
        return Fault(FaultKind::OutOfMemory, "there is not enough memory for this action");
    }
    return Fault(FaultKind::InvalidArgument, exception.what());
}

// The folder the open-file dialog starts in, kept between runs.
const QString kLastFolderKey = QStringLiteral("lastCurveFolder");

// What an import's first step gives: the traced curves and the axes they suggest.
struct ReadExports {
    TracedCurves curves;
    VoltageAxis anodeAxis;
    VoltageAxis gridAxis;
};

// What its regridding gives: the import, the curves for the session (a copy of the table, so the
// import can still be written) and the traced chart they fit.
struct RegriddedImport {
    std::shared_ptr<const ImportedCurves> imported;
    LoadedCurveFile loaded;
    TracedChart traced;
};

QString AxisText(const VoltageAxis& axis) {
    return QString::fromStdString(AxisRangeText(axis));
}

// An axis typed for an import; none (the proposal) for an empty text.
std::optional<VoltageAxis> TypedAxis(const QString& text, bool rising, std::string_view input) {
    if (text.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return ReadAxisRange(text.toStdString(), rising, input);
}

// Ctrl+C in a value label with text selected copies that text, as the label's own menu does: the
// window's Copy Results shortcut would take the key otherwise.
class CopySelectionFirst final : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) &&
            static_cast<QLabel*>(watched)->hasSelectedText()) {
            event->accept();
            return true;
        }
        return false;
    }
};

// Values can be selected with the mouse and copied.
void MakeValueSelectable(QLabel& label) {
    label.setTextInteractionFlags(Qt::TextSelectableByMouse);
    label.installEventFilter(new CopySelectionFirst(&label));
}

} // namespace

// The import under way: what the user chose and gave, and what its steps have made so far.
struct PendingImport {
    QPointer<ImportJob> job;
    std::vector<DigitizedFile> files;
    std::shared_ptr<const TracedCurves> curves;
    QString summary;
    ImportSettingsTexts texts;
    std::shared_ptr<const ImportedCurves> imported; // once taken as the design
    QString savePath;
    // What the status line said before, for an import that ends with nothing taken.
    QString statusBefore;
};

frmMain::frmMain(FileChooser& fileChooser, FaultReporter& faultReporter, QWidget* parent,
                 CurveLoader loader, ImportAsker* importAsker)
    : QMainWindow(parent), m_fileChooser(fileChooser), m_faultReporter(faultReporter),
      m_dialogImportAsker(importAsker != nullptr ? nullptr : std::make_unique<DialogImportAsker>()),
      m_importAsker(importAsker != nullptr ? *importAsker : *m_dialogImportAsker),
      m_loader(std::move(loader)), m_layoutScale(LayoutScale(font())) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramTitle());
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
    // Figures that no longer belong to the typed line are drawn in the disabled text colour.
    m_freshPalette = m_figureLabels[0]->palette();
    m_stalePalette = m_freshPalette;
    m_stalePalette.setColor(QPalette::WindowText,
                            m_freshPalette.color(QPalette::Disabled, QPalette::WindowText));
    for (QLineEdit* box :
         {m_txtScreenBias, m_txtAnodeBias, m_txtGridBias, m_txtMinAnode, m_txtPeakGrid}) {
        connect(box, &QLineEdit::textChanged, this, &frmMain::UpdateStaleMark);
    }
    UpdateStaleMark();

    statusBar()->setObjectName(QStringLiteral("statusBar"));
    m_loadTicker.setInterval(kProgressTickMs);
    connect(&m_loadTicker, &QTimer::timeout, this, &frmMain::ShowLoadProgress);
    FitToScreen();
    m_txtGridBias->setFocus();
}

frmMain::~frmMain() = default;

QString frmMain::ProgramTitle() {
    return tr("Tetrode Calculator");
}

void frmMain::CreateMenu() {
    m_mnuOpen = menuBar()->addAction(tr("&Open"));
    m_mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    m_mnuOpen->setShortcut(QKeySequence::Open);
    connect(m_mnuOpen, &QAction::triggered, this, &frmMain::OnOpen);
    m_mnuImport = menuBar()->addAction(tr("&Import\u2026"));
    m_mnuImport->setObjectName(QStringLiteral("mnuImport"));
    m_mnuImport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_mnuImport, &QAction::triggered, this, &frmMain::OnImport);
    CreateResultActions();
    QAction* quit = menuBar()->addAction(tr("&Quit"));
    quit->setObjectName(QStringLiteral("mnuQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    // Calculate from anywhere in the window. Ctrl+Enter in the screen-voltage box therefore
    // calculates, which redraws the limits as Enter there would, and shows the figures too.
    auto* calculate = new QAction(this);
    calculate->setObjectName(QStringLiteral("actCalculate"));
    calculate->setShortcuts({QKeySequence(Qt::Key_F9), QKeySequence(Qt::CTRL | Qt::Key_Return),
                             QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(calculate, &QAction::triggered, this, [this] {
        if (m_cmdCalculate->isEnabled()) {
            m_cmdCalculate->click();
        }
    });
    addAction(calculate);
}

void frmMain::CreateResultActions() {
    m_mnuCopyResults = menuBar()->addAction(tr("&Copy Results"));
    m_mnuCopyResults->setObjectName(QStringLiteral("mnuCopyResults"));
    m_mnuCopyResults->setShortcut(QKeySequence::Copy);
    connect(m_mnuCopyResults, &QAction::triggered, this, &frmMain::OnCopyResults);
    m_mnuSaveResults = menuBar()->addAction(tr("&Save Results\u2026"));
    m_mnuSaveResults->setObjectName(QStringLiteral("mnuSaveResults"));
    m_mnuSaveResults->setShortcut(QKeySequence::Save);
    connect(m_mnuSaveResults, &QAction::triggered, this, &frmMain::OnSaveResults);
    // There are results from a successful Calculate until the next Open; every action that
    // changes the session says so.
    const auto followResults = [this] {
        const bool results = m_session.LastCalculation().has_value();
        m_mnuCopyResults->setEnabled(results);
        m_mnuSaveResults->setEnabled(results);
    };
    connect(this, &frmMain::sessionChanged, this, followResults);
    followResults();
}

void frmMain::CreateControls() {
    // The controls never move, so the client area has one size. It scrolls when the screen is too
    // small for it, so that every control stays within reach.
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("scrollArea"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setFocusPolicy(Qt::NoFocus); // Tab goes round the controls only
    auto* client = new QWidget(m_scrollArea);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(PixelsFromTwips(ClientWidthTwips, m_layoutScale),
                         PixelsFromTwips(ClientHeightTwips, m_layoutScale));
    m_scrollArea->setWidget(client);
    setCentralWidget(m_scrollArea);
    // The frames are the window's tall controls. The style is a child made after the client area,
    // so the frames that use it are deleted first.
    auto* fastStyle = new FastPaintStyle;
    fastStyle->setParent(this);

    std::vector<const ControlSpec*> focusOrder;
    for (const ControlSpec& spec : WindowLayout()) {
        QWidget* container = *spec.parent == '\0' ? client : &Control<QGroupBox>(spec.parent);
        const QString caption = tr(spec.caption);
        QWidget* widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Frame:
            widget = new QGroupBox(caption, container);
            widget->setStyle(fastStyle);
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
        m_controls.emplace(spec.name, widget);
        widget->setGeometry(PixelRect(spec, m_layoutScale));
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

void frmMain::CreateLoadProgress() {
    // Made when a load first takes long enough to show them: a usual load never needs them.
    if (m_lblLoading != nullptr) {
        return;
    }
    m_lblLoading = new QLabel(statusBar());
    m_lblLoading->setObjectName(QStringLiteral("loadingFile"));
    m_lblLoading->setTextFormat(Qt::PlainText);
    m_prgLoading = new QProgressBar(statusBar());
    m_prgLoading->setObjectName(QStringLiteral("loadingProgress"));
    m_prgLoading->setRange(0, 1000);
    m_cmdCancelLoad = new QPushButton(tr("Cancel"), statusBar());
    m_cmdCancelLoad->setObjectName(QStringLiteral("cmdCancelLoad"));
    m_cmdCancelLoad->setAutoDefault(false);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_lblLoading, m_prgLoading, m_cmdCancelLoad}) {
        statusBar()->addPermanentWidget(widget);
        widget->hide();
    }
    connect(m_cmdCancelLoad, &QPushButton::clicked, this, [this] {
        if (m_load) {
            m_load->Cancel();
        }
    });
}

void frmMain::FitToScreen() {
    // The whole client area when the screen has room for it; less, with scroll bars, when not.
    const QSize client = m_scrollArea->widget()->size();
    const QSize wanted(client.width(), client.height() + menuBar()->sizeHint().height() +
                                           statusBar()->sizeHint().height());
    QSize room = wanted;
    if (const QScreen* screen = this->screen()) {
        // The window frame is not known before the window is shown; its usual size is kept free.
        constexpr int kFrameAllowance = 48;
        const QSize available =
            screen->availableGeometry().size() - QSize(kFrameAllowance / 4, kFrameAllowance);
        // A scroll bar takes room that the client area would then miss.
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (wanted.height() > available.height()) {
            room.rwidth() += scrollBar;
        }
        if (wanted.width() > available.width()) {
            room.rheight() += scrollBar;
        }
        room = room.boundedTo(available);
    }
    resize(room);
}

template <class Widget> Widget& frmMain::Control(const char* name) const {
    const auto found = m_controls.find(std::string_view(name));
    auto* widget = found == m_controls.end() ? nullptr : qobject_cast<Widget*>(found->second);
    if (widget == nullptr) {
        qFatal("frmMain has no control %s", name);
    }
    return *widget;
}

template <typename Action> void frmMain::ReportingFaults(Action&& action) {
    try {
        action();
    } catch (const Fault& fault) {
        Report(fault);
    } catch (const WorkCancelled&) {
        // The user stopped it: nothing to report, nothing changed.
    } catch (const std::exception& exception) {
        Report(AsFault(exception));
    }
}

void frmMain::Report(const Fault& fault) {
    // A refused text: the user goes on where the fault is.
    if (const auto* input = std::get_if<InputPlace>(&fault.place())) {
        if (QLineEdit* box = BoxNamed(input->input)) {
            box->setFocus();
            box->selectAll();
        }
    }
    m_faultReporter.Report(this, fault);
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

void frmMain::ShowValue(QLabel* label, const QString& text) {
    // A value wider than its label is cut with an ellipsis, never silently; the whole of it is in
    // the tooltip.
    const QString shown =
        label->fontMetrics().elidedText(text, Qt::ElideRight, label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void frmMain::ShowLimits() {
    // Shown with the locale's separator, as the result labels beside them are.
    const auto texts = FormatDataLimits(m_session.Limits().value(), LocaleDecimalSeparator());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        ShowValue(m_limitLabels[k], Utf8(texts[k]));
    }
}

void frmMain::ShowFigures(const OperatingParameters& figures) {
    const auto texts = FormatOperatingParameters(figures, LocaleDecimalSeparator());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        ShowValue(m_figureLabels[k], Utf8(texts[k]));
    }
}

OperatingLineTexts frmMain::TypedLine() const {
    return {
        .ScreenBias = m_txtScreenBias->text().toStdString(),
        .AnodeBias = m_txtAnodeBias->text().toStdString(),
        .GridBias = m_txtGridBias->text().toStdString(),
        .MinAnode = m_txtMinAnode->text().toStdString(),
        .PeakGrid = m_txtPeakGrid->text().toStdString(),
    };
}

void frmMain::UpdateStaleMark() {
    // Fresh only while the boxes hold exactly what the last successful Calculate read.
    const auto& calculation = m_session.LastCalculation();
    const bool fresh = calculation && calculation->texts == TypedLine();
    for (QLabel* label : m_figureLabels) {
        label->setPalette(fresh ? m_freshPalette : m_stalePalette);
        label->setProperty("stale", !fresh);
    }
}

void frmMain::OnOpen() {
    if (isLoading()) {
        return;
    }
    const QString path = m_fileChooser.ChooseFile(this);
    if (!path.isEmpty()) {
        OpenFile(path);
    }
}

void frmMain::OpenFile(const QString& path) {
    if (isLoading()) {
        return;
    }
    ReportingFaults([&] {
        m_load = new CurveLoadJob(m_loader, QFile::encodeName(path).toStdString(), this);
        connect(m_load, &CurveLoadJob::finished, this, &frmMain::OnLoadFinished);
        m_loadingText = tr("Loading %1").arg(QFileInfo(path).fileName());
        SetLoading(true);
    });
}

void frmMain::SetLoading(bool loading) {
    // Open, Import and Calculate wait, visibly, until the window shows the new file or the fault.
    m_mnuOpen->setEnabled(!loading);
    m_mnuImport->setEnabled(!loading);
    m_cmdCalculate->setEnabled(!loading && m_session.HasCurves());
    if (loading) {
        m_loadClock.start();
        m_loadTicker.start();
    } else if (m_loadTicker.isActive()) {
        m_loadTicker.stop();
        for (QWidget* widget :
             std::initializer_list<QWidget*>{m_lblLoading, m_prgLoading, m_cmdCancelLoad}) {
            if (widget != nullptr) {
                widget->hide();
            }
        }
    }
}

void frmMain::ShowLoadProgress() {
    if (!m_load || m_loadClock.elapsed() < kProgressDelayMs) {
        return;
    }
    CreateLoadProgress();
    m_lblLoading->setText(m_loadingText);
    m_prgLoading->setValue(static_cast<int>(m_load->Fraction() * m_prgLoading->maximum()));
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_lblLoading, m_prgLoading, m_cmdCancelLoad}) {
        widget->show();
    }
}

void frmMain::OnLoadFinished() {
    CurveLoadJob* job = m_load;
    m_load = nullptr;
    job->deleteLater();
    SetLoading(false);
    ReportingFaults([&] {
        m_session.Accept(job->TakeResult(), job->path());
        QSettings().setValue(
            kLastFolderKey,
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(m_session.Path())))
                .absolutePath());
        ShowFreshDesign(CaptionName(m_session.FileName()));
    });
}

void frmMain::ShowFreshDesign(const QString& caption) {
    // A fresh design: the curves' own screen voltage, their own range, no figures yet.
    const QString screenVoltage = Utf8(m_session.ScreenVoltageText());
    m_txtScreenBias->setText(screenVoltage);
    m_lblDataSheetScreenV->setText(screenVoltage);
    setWindowTitle(ProgramTitle() + ' ' + caption);
    ShowLimits();
    for (QLabel* label : m_figureLabels) {
        ShowValue(label, kNoValue);
    }
    statusBar()->clearMessage();
    m_cmdCalculate->setEnabled(!isLoading());
    UpdateStaleMark();
    emit sessionChanged();
}

void frmMain::OnImport() {
    if (isLoading()) {
        return;
    }
    std::vector<DigitizedFile> files = m_importAsker.ChooseExports(this);
    if (files.empty()) {
        return;
    }
    ReportingFaults([&] {
        m_import = std::make_unique<PendingImport>();
        m_import->files = std::move(files);
        m_import->statusBefore = statusBar()->currentMessage();
        SetLoading(true);
        statusBar()->showMessage(tr("Reading the digitized curves\u2026"));
        StartImportStep(
            [files = m_import->files] {
                ReadExports read{ReadTracedCurves(files), {}, {}};
                read.anodeAxis = ProposeAnodeAxis(read.curves.series);
                read.gridAxis = ProposeGridAxis(read.curves.series);
                return std::any(std::move(read));
            },
            &frmMain::OnExportsRead);
    });
    if (m_import && !m_import->job) {
        EndImport(); // it could not start
    }
}

void frmMain::StartImportStep(std::function<std::any()> work, void (frmMain::*done)()) {
    m_import->job = new ImportJob(std::move(work), this);
    connect(m_import->job, &ImportJob::finished, this, done);
}

bool frmMain::ReportImportFault(const Fault& fault) {
    Report(fault);
    // A typed text refused, or axes the table cannot have: the user may put it right.
    const auto* input = std::get_if<InputPlace>(&fault.place());
    return input != nullptr &&
           (input->input == import_input::ScreenVoltage ||
            input->input == import_input::AnodeAxis || input->input == import_input::GridAxis);
}

template <class Result> Result frmMain::TakeImportStep() {
    ImportJob* job = m_import->job;
    m_import->job = nullptr;
    job->deleteLater();
    return job->TakeResult<Result>();
}

void frmMain::OnExportsRead() {
    bool read = false;
    ReportingFaults([&] {
        ReadExports exports = TakeImportStep<ReadExports>();
        std::array<int, kFamilyCount> counts{};
        for (const TracedSeries& series : exports.curves.series) {
            ++counts[static_cast<std::size_t>(series.family)];
        }
        QString summary = tr("%1 anode-current, %2 screen-current and %3 grid-current curves "
                             "were read.")
                              .arg(counts[0])
                              .arg(counts[1])
                              .arg(counts[2]);
        for (const ImportNote& note : exports.curves.notes) {
            summary += '\n' + Utf8(ImportNoteMessage(note));
        }
        m_import->summary = summary;
        m_import->texts = {QString(), AxisText(exports.anodeAxis), AxisText(exports.gridAxis)};
        m_import->curves = std::make_shared<const TracedCurves>(std::move(exports.curves));
        read = true;
    });
    if (read) {
        AskImportSettings(m_import->texts);
    } else {
        EndImport();
    }
}

void frmMain::AskImportSettings(const ImportSettingsTexts& shown) {
    std::optional<ImportSettingsTexts> given = shown;
    while ((given = m_importAsker.AskSettings(this, *given, m_import->summary))) {
        m_import->texts = *given;
        try {
            const double screen =
                ReadTypedVoltage(given->screenVoltage.toStdString(), import_input::ScreenVoltage,
                                 LocaleDecimalSeparator());
            const std::optional<VoltageAxis> anode =
                TypedAxis(given->anodeAxis, true, import_input::AnodeAxis);
            const std::optional<VoltageAxis> grid =
                TypedAxis(given->gridAxis, false, import_input::GridAxis);
            StartImportStep(
                [curves = m_import->curves, screen, anode, grid] {
                    auto imported = std::make_shared<ImportedCurves>(
                        RegridImport(*curves, screen, anode, grid));
                    RegriddedImport regridded{
                        imported,
                        {imported->table, imported->screenVoltageText, std::string()},
                        TracedChartOf(*imported)};
                    return std::any(std::move(regridded));
                },
                &frmMain::OnImportRegridded);
            statusBar()->showMessage(tr("Regridding the digitized curves\u2026"));
            return;
        } catch (const Fault& fault) {
            if (!ReportImportFault(fault)) {
                break;
            }
        } catch (const std::exception& exception) {
            Report(AsFault(exception));
            break;
        }
    }
    EndImport();
}

void frmMain::OnImportRegridded() {
    try {
        RegriddedImport regridded = TakeImportStep<RegriddedImport>();
        const DigitizedFile& first = m_import->files.front();
        regridded.loaded.fileName = std::filesystem::path(first.path).filename().string();
        m_session.AcceptImport(std::move(regridded.loaded), first.path,
                               std::move(regridded.traced));
        m_import->imported = std::move(regridded.imported);
    } catch (const Fault& fault) {
        if (ReportImportFault(fault)) {
            AskImportSettings(m_import->texts);
        } else {
            EndImport();
        }
        return;
    } catch (const std::exception& exception) {
        Report(AsFault(exception));
        EndImport();
        return;
    }
    ShowFreshDesign(tr("%1 (imported)").arg(CaptionName(m_session.FileName())));
    const std::optional<TracedChart>& traced = m_session.Traced();
    QStringList said;
    if (!traced->largestResidual.empty()) {
        said.push_back(tr("Largest residual: %1").arg(Utf8(traced->largestResidual)));
    }
    for (const std::string& note : traced->notes) {
        said.push_back(Utf8(note));
    }
    statusBar()->showMessage(said.join(QStringLiteral("; ")));
    OfferToSaveImport();
}

void frmMain::OfferToSaveImport() {
    const QFileInfo first(QFile::decodeName(QByteArray::fromStdString(m_session.Path())));
    const QString path = m_fileChooser.ChooseSaveFile(
        this, tr("Save the Imported Curves"), tr("Curve files (*.csv)"),
        first.dir().filePath(first.completeBaseName() + QStringLiteral("-imported.csv")));
    if (path.isEmpty()) {
        EndImport();
        return;
    }
    m_import->savePath = path;
    ReportingFaults([&] {
        StartImportStep(
            [imported = m_import->imported, file = QFile::encodeName(path).toStdString()] {
                WriteImportedCurves(*imported, file);
                return std::any(true);
            },
            &frmMain::OnImportSaved);
    });
    if (!m_import->job) {
        EndImport();
    }
}

void frmMain::OnImportSaved() {
    try {
        TakeImportStep<bool>();
    } catch (const Fault& fault) {
        // Nothing was written; the curves are still on show, to be saved elsewhere.
        Report(fault);
        OfferToSaveImport();
        return;
    } catch (const std::exception& exception) {
        Report(AsFault(exception));
        OfferToSaveImport();
        return;
    }
    m_session.NameCurveFile(QFile::encodeName(m_import->savePath).toStdString());
    setWindowTitle(ProgramTitle() + ' ' +
                   tr("%1 (imported)").arg(CaptionName(m_session.FileName())));
    EndImport();
}

void frmMain::EndImport() {
    if (m_import && !m_import->imported) {
        statusBar()->showMessage(m_import->statusBefore);
    }
    m_import.reset();
    SetLoading(false);
}

void frmMain::OnCalculate() {
    if (isLoading()) {
        return;
    }
    statusBar()->clearMessage();
    ReportingFaults([this] {
        const Calculation& calculation = m_session.Calculate(TypedLine());
        ShowFigures(calculation.figures);
        ShowLimits();
        UpdateStaleMark();
        statusBar()->showMessage(Utf8(WarningText(
            WarningsFor(m_session.Curves(), calculation.samples, calculation.figures))));
        emit sessionChanged();
    });
}

void frmMain::OnScreenBiasEnter() {
    if (isLoading()) {
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

void frmMain::OnCopyResults() {
    ReportingFaults([this] {
        // Shown as the labels show them, so a spreadsheet of the user's locale reads the numbers.
        const std::string table =
            SheetTabSeparated(FiguresSheet(m_session, LocaleDecimalSeparator()));
        QGuiApplication::clipboard()->setText(QString::fromStdString(table));
    });
}

void frmMain::OnSaveResults() {
    if (isLoading()) {
        return;
    }
    ReportingFaults([this] {
        // The command line's CSV, full precision with the full stop: a file is read by programs.
        const std::string csv = SheetCsv(FiguresSheet(m_session, "."));
        const QFileInfo curves(QFile::decodeName(QByteArray::fromStdString(m_session.Path())));
        const QString path = m_fileChooser.ChooseSaveFile(
            this, tr("Save Results"), tr("CSV files (*.csv);;All files (*)"),
            curves.dir().filePath(curves.completeBaseName() + QStringLiteral("-results.csv")));
        if (path.isEmpty()) {
            return;
        }
        // QSaveFile writes a temporary file beside `path` and renames it only once the whole text
        // is written, so a failure never leaves an existing file cut short.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(csv.data(), static_cast<qint64>(csv.size())) !=
                static_cast<qint64>(csv.size()) ||
            !file.commit()) {
            std::string cause = "the results cannot be written: ";
            throw Fault(FaultKind::FileOpen, cause.append(file.errorString().toStdString()),
                        FilePlace{QFile::encodeName(path).toStdString()});
        }
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

void frmMain::showEvent(QShowEvent* event) {
    // A selectable label draws through a text document, several times the cost of plain text, so
    // the values become selectable a moment after the window's first frame (the first expose of
    // the window paints it) rather than before it; no user selects a value sooner.
    if (!m_valuesSelectable && windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
    QMainWindow::showEvent(event);
}

void frmMain::MakeValuesSelectable() {
    m_valuesSelectable = true;
    for (QLabel* label : m_figureLabels) {
        MakeValueSelectable(*label);
    }
    for (QLabel* label : m_limitLabels) {
        MakeValueSelectable(*label);
    }
    MakeValueSelectable(*m_lblDataSheetScreenV);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && !m_valuesSelectable) {
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(kSelectableDelayMs, this, &frmMain::MakeValuesSelectable);
    }
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
    // A load under way stops at its next progress report; the job waits for it when it goes.
    if (m_load) {
        m_load->Cancel();
    }
    // An import under way is abandoned: its step ends unheard, and nothing more is asked.
    if (m_import) {
        if (m_import->job) {
            disconnect(m_import->job, nullptr, this, nullptr);
        }
        EndImport();
    }
    QMainWindow::closeEvent(event);
}

} // namespace tetrode

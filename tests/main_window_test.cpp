// SPDX-License-Identifier: MIT
#include "platform/fault.h"
#include "platform/fault_reporter.h"
#include "platform/file_chooser.h"
#include "window/data_limits.h"
#include "window/frm_main.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Shows texts as texts in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tetrode {
namespace {

using Texts = std::vector<QString>;

QString DataFile(const char* name) {
    return QStringLiteral(TETRODE_TEST_DATA "/") + QString::fromLatin1(name);
}

// Answers the window's file questions from a queue, as the user would in the dialog.
class FakeFileChooser final : public FileChooser {
  public:
    QString ChooseFile(QWidget* /*parent*/) override {
        if (answers.empty()) {
            ADD_FAILURE() << "the window asked for a file when none was expected";
            return {};
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<QString> answers;
};

class RecordingFaultReporter final : public FaultReporter {
  public:
    void Report(QWidget* /*parent*/, const Fault& fault) override {
        kinds.push_back(fault.kind());
        messages.push_back(fault.what());
    }
    std::vector<FaultKind> kinds;
    std::vector<std::string> messages;
};

// A modal dialog would stop a headless test for good; this closes any that appears and fails.
class ModalWatchdog {
  public:
    ModalWatchdog() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal dialog appeared: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        m_timer.start();
    }

  private:
    QTimer m_timer;
};

// Everything of the window the user can see, and the scale factors, for "nothing changed".
struct WindowSnapshot {
    QString caption;
    bool calculateEnabled = false;
    std::map<QString, QString> texts; // every label and entry box by objectName
    float voltageRatio = 0.0F;
    float powerRatio32 = 0.0F;
    bool operator==(const WindowSnapshot&) const = default;
};

void PrintTo(const WindowSnapshot& snapshot, std::ostream* out) {
    *out << '"' << snapshot.caption.toStdString() << "\" Calculate " << snapshot.calculateEnabled
         << " VR " << snapshot.voltageRatio << " PR32 " << snapshot.powerRatio32;
    for (const auto& [name, text] : snapshot.texts) {
        *out << ' ' << name.toStdString() << "=\"" << text.toStdString() << '"';
    }
}

const char* const LimitLabels[] = {"lblMaxAnodeVDatasheet", "lblMinAnodeVDatasheet",
                                   "lblMaxGridVDatasheet", "lblMinGridVDatasheet"};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartWindow()); }

    void TearDown() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_TRUE(m_chooser.answers.empty()) << "the window did not ask for every file offered";
    }

    void StartWindow() {
        m_window = std::make_unique<frmMain>(m_chooser, m_reporter);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Fails loudly when the window has no such control, so a renamed control cannot pass unseen.
    template <class Widget> Widget& Find(const char* name) const {
        auto* widget = m_window->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            throw std::logic_error(std::string("the window has no control named ") + name);
        }
        return *widget;
    }

    QString Text(const char* name) const {
        if (auto* box = m_window->findChild<QLineEdit*>(QString::fromLatin1(name))) {
            return box->text();
        }
        return Find<QLabel>(name).text();
    }

    Texts Limits() const {
        Texts texts;
        for (const char* name : LimitLabels) {
            texts.push_back(Text(name));
        }
        return texts;
    }

    WindowSnapshot Snapshot() const {
        WindowSnapshot snapshot{m_window->windowTitle(),
                                Find<QPushButton>("cmdCalculate").isEnabled(),
                                {},
                                m_window->curves().VoltageRatio,
                                m_window->curves().PowerRatio32};
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            snapshot.texts[label->objectName()] = label->text();
        }
        for (QLineEdit* box : m_window->findChildren<QLineEdit*>()) {
            snapshot.texts[box->objectName()] = box->text();
        }
        return snapshot;
    }

    // Clicks a menu bar item where the user would.
    void ClickMenu(const char* name) {
        QMenuBar* bar = m_window->menuBar();
        auto* action = m_window->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << "no menu item " << name;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
    }

    void Open(const QString& path) {
        m_chooser.answers.push_back(path);
        ClickMenu("mnuOpen");
    }

    // Replaces the box's text the way a user does: select all, then type.
    void Type(const char* box, const char* text) {
        QLineEdit& edit = Find<QLineEdit>(box);
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QTest::keyClicks(&edit, QString::fromLatin1(text));
    }

    void PressKey(const char* box, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&Find<QLineEdit>(box), key, modifiers);
    }

    void EnterScreenVoltage(const char* volts) {
        Type("txtScreenBias", volts);
        PressKey("txtScreenBias", Qt::Key_Return);
    }

    void Click(const char* button) {
        QTest::mouseClick(&Find<QPushButton>(button), Qt::LeftButton);
    }

    // The operating line of the case computed by hand on linear-currents.csv.
    void TypeLinearCase() {
        Type("txtGridBias", "-115");
        Type("txtAnodeBias", "2500");
        Type("txtPeakGrid", "60");
        Type("txtMinAnode", "360");
        Type("txtScreenBias", "360");
    }

    FakeFileChooser m_chooser;
    RecordingFaultReporter m_reporter;
    ModalWatchdog m_watchdog;
    std::unique_ptr<frmMain> m_window;
};

// State: just started. Action: none. Expected: the title, a bar of Open and Quit, empty boxes
// named by their caption labels, twenty labels "0", Calculate disabled, Charts enabled, the focus
// in txtGridBias, no access keys, labels and frames that never take the focus.
TEST_F(MainWindowTest, StartsEmptyWithCalculateDisabled) {
    EXPECT_EQ(m_window->objectName(), "frmMain");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator");
    const QList<QAction*> menu = m_window->menuBar()->actions();
    ASSERT_EQ(menu.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(menu[i]->objectName(), i == 0 ? "mnuOpen" : "mnuQuit");
        EXPECT_EQ(menu[i]->text(), i == 0 ? "Open" : "Quit");
        EXPECT_EQ(menu[i]->menu(), nullptr);
        EXPECT_TRUE(menu[i]->shortcut().isEmpty());
    }
    const std::pair<const char*, const char*> boxes[] = {{"Label1", "txtGridBias"},
                                                         {"Label2", "txtAnodeBias"},
                                                         {"Label5", "txtScreenBias"},
                                                         {"Label3", "txtPeakGrid"},
                                                         {"Label4", "txtMinAnode"}};
    for (const auto& [label, box] : boxes) {
        EXPECT_EQ(Text(box), "") << box;
        EXPECT_EQ(Find<QLabel>(label).buddy(), &Find<QLineEdit>(box)) << box;
    }
    int zeros = 0;
    for (QLabel* label : m_window->findChildren<QLabel*>()) {
        zeros += label->text() == "0" ? 1 : 0;
        EXPECT_FALSE(label->text().contains('&')) << label->objectName().toStdString();
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << label->objectName().toStdString();
    }
    EXPECT_EQ(zeros, 20);
    for (const char* name : {"lblMaxAnodeVDatasheet", "lblDataSheetScreenV", "lblPeakGridRFVolts",
                             "lblGridImpedance", "lblZSAC", "lblEfficiency", "lblScreenPower"}) {
        EXPECT_EQ(Text(name), "0") << name;
    }
    for (QGroupBox* frame : m_window->findChildren<QGroupBox*>()) {
        EXPECT_EQ(frame->focusPolicy(), Qt::NoFocus) << frame->objectName().toStdString();
    }
    EXPECT_FALSE(Find<QPushButton>("cmdCalculate").isEnabled());
    EXPECT_TRUE(Find<QPushButton>("cmdCharts").isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), &Find<QLineEdit>("txtGridBias"));
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.0F);
}

// State: just started. Action: none, then resize the window. Expected: controls stand where the
// twips layout puts them (15 twips a pixel, worked out by hand here), and stay there.
TEST_F(MainWindowTest, ControlsStandAtTheirTwipsPlaceAndStayOnResize) {
    const std::tuple<const char*, const char*, QRect> cases[] = {
        {"Frame1", "clientArea", {536, 8, 337, 153}},
        {"cmdCalculate", "clientArea", {80, 624, 73, 33}},
        {"cmdCharts", "clientArea", {208, 624, 81, 33}},
        {"txtScreenBias", "fraPointG", {104, 80, 97, 19}},
        {"txtMinAnode", "fraPeakPoint", {120, 56, 89, 19}},
        {"lblDataSheetScreenV", "Frame1", {176, 120, 129, 17}},
        {"fraScreenOperation", "fraOutput", {424, 216, 369, 89}},
        {"Label11", "fraAnodeOperation", {8, 80, 145, 17}},
        {"lblGridImpedance", "fraGridOperation", {224, 120, 121, 17}},
    };
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Find<QWidget>("clientArea").size(), QSize(972, 694));
        for (const auto& [name, parent, pixels] : cases) {
            EXPECT_EQ(Find<QWidget>(name).parentWidget()->objectName(), parent) << name;
            EXPECT_EQ(Find<QWidget>(name).geometry(), pixels) << name;
        }
        m_window->resize(1400, 1000);
        QTest::qWait(20);
    }
}

// State: just started, then after a load. Action: Tab round the window. Expected: the five boxes,
// Calculate only once enabled, Charts, then txtGridBias again.
TEST_F(MainWindowTest, TabCyclesThroughBoxesAndButtons) {
    const Texts noCurves = {"txtAnodeBias",  "txtPeakGrid", "txtMinAnode",
                            "txtScreenBias", "cmdCharts",   "txtGridBias"};
    const Texts loaded = {"txtAnodeBias", "txtPeakGrid", "txtMinAnode", "txtScreenBias",
                          "cmdCalculate", "cmdCharts",   "txtGridBias"};
    for (const Texts* order : {&noCurves, &loaded}) {
        if (order == &loaded) {
            Open(DataFile("worked-example.csv"));
            Find<QLineEdit>("txtGridBias").setFocus();
        }
        ASSERT_EQ(QApplication::focusWidget(), &Find<QLineEdit>("txtGridBias"));
        Texts visited;
        for (std::size_t i = 0; i < order->size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->objectName());
        }
        EXPECT_EQ(visited, *order);
    }
}

// State: just started. Action: Open the worked example, Enter at 300, Open a second file, then one
// whose name holds the toolkit's "[*]" placeholder. Expected: the header text in the box and the
// label, the limits in the ratio in force, Calculate enabled, each name appended to the caption.
TEST_F(MainWindowTest, EachOpenShowsItsCurvesAndAppendsItsName) {
    Open(DataFile("worked-example.csv"));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example");
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(Text("lblDataSheetScreenV"), "250");
    EXPECT_EQ(Limits(), (Texts{"600", "0", "10", "-10"}));
    EXPECT_TRUE(Find<QPushButton>("cmdCalculate").isEnabled());

    EnterScreenVoltage("300");
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(Limits(), (Texts{"720", "240", "0", "-48"})); // 1.2 times 600, 200, 0, -40
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example limits-200-600");

    QTemporaryDir folder;
    const QString odd = folder.filePath(QStringLiteral("tube[*]A.csv"));
    ASSERT_TRUE(QFile::copy(DataFile("worked-example.csv"), odd));
    Open(odd);
    EXPECT_EQ(m_window->windowHandle()->title(),
              "Tetrode Calculator worked-example limits-200-600 tube[*]A");
    EXPECT_TRUE(m_reporter.kinds.empty());
}

// State: curves 200..600 V anode, 0..-40 V grid, taken at 250 V. Action: a screen voltage typed,
// then a key. Expected: any Enter key rescales the limits by the typed voltage over 250, as single
// products, and sets only VoltageRatio; other keys change nothing.
TEST_F(MainWindowTest, EnterInScreenBoxRescalesTheLimits) {
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(Limits(), (Texts{"600", "200", "0", "-40"}));
    struct Case {
        const char* typed;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        float ratio;
        Texts limits;
    };
    const Case cases[] = {
        {"300", Qt::Key_Return, {}, 1.2F, {"720", "240", "0", "-48"}},
        {"360", Qt::Key_Return, {}, 1.44F, {"864.0001", "288", "0", "-57.6"}},
        {"250", Qt::Key_Return, {}, 1.0F, {"600", "200", "0", "-40"}},
        {"300", Qt::Key_Enter, Qt::KeypadModifier, 1.2F, {"720", "240", "0", "-48"}},
        {"250", Qt::Key_Return, Qt::ShiftModifier, 1.0F, {"600", "200", "0", "-40"}},
        {"300", Qt::Key_Return, Qt::ControlModifier, 1.2F, {"720", "240", "0", "-48"}},
        {"250", Qt::Key_A, Qt::ShiftModifier, 1.2F, {"720", "240", "0", "-48"}},
        {"250", Qt::Key_Escape, {}, 1.2F, {"720", "240", "0", "-48"}},
        {"250", Qt::Key_F5, {}, 1.2F, {"720", "240", "0", "-48"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " then key " + std::to_string(c.key));
        Type("txtScreenBias", c.typed);
        PressKey("txtScreenBias", c.key, c.modifiers);
        EXPECT_EQ(Limits(), c.limits);
        EXPECT_EQ(m_window->curves().VoltageRatio, c.ratio);
        EXPECT_EQ(m_window->curves().PowerRatio32, 0.0F); // waits for Calculate
    }
    EXPECT_TRUE(m_reporter.kinds.empty());
}

// State: linear-current curves at 300 V loaded. Action: type an operating line at 360 V, click
// Calculate. Expected: the fifteen texts worked out by hand below.
//
// The currents are linear in both voltages (Ib = 0.2 mA/V anode + 12 mA/V above -125 V grid,
// Ic2 = 0.1 A - 0.02 mA/V anode + 1 mA/V grid, Ic1 = 1 mA/V above -125 V grid), so bilinear
// interpolation reproduces them exactly and every figure follows in closed form. With
// VoltageRatio 1.2 (single) and PowerRatio32 1.2^1.5 = 1.3145342: G is (2083.33, -95.833) and
// A (300, 50) in curve scale; Ib(G) = 0.766667 A x 1.3145342 = 1007.8 mA; the peak swings are
// 2500 - 360 = 2140 V and 60 + 115 = 175 V; the twelfth-part sums give IbDC 1.0423723 A,
// IbFundamental 1.5533044 A, Ic1DC 78.3266 mA, Ic2DC 128.3308 mA and Ic1(A) 0.230044 A, from which
// output 1662.01 W, input 2605.93 W, efficiency 63.78 %, anode impedance 1377.73 ohms, screen
// 46.199 W, driving 13.707 W, bias 9.0076 W and grid impedance 760.73 ohms. Every figure lies at
// least 0.019 from a rounding step. The German locale shows the same with its comma.
TEST_F(MainWindowTest, CalculateShowsFifteenFiguresInTheLocaleForm) {
    const std::pair<const char*, const char*> expected[] = {
        {"lblPeakAnodeRFVolts", "2140.0"}, {"lblAnodeDCcurrent", "1042.4"},
        {"lblAnodePower", "943.9"},        {"lblInputPower", "2605.9"},
        {"lblOutputPower", "1662.0"},      {"lblEfficiency", "63.8"},
        {"lblAnodeImpedance", "1377.7"},   {"lblZSAC", "1007.8"},
        {"lblScreenDCcurrent", "128.3"},   {"lblScreenPower", "46.2"},
        {"lblPeakGridRFVolts", "175.0"},   {"lblGridDCcurrent", "78.3"},
        {"lblDrivingPower", "13.7"},       {"lblGridPower", "4.7"},
        {"lblGridImpedance", "761"},
    };
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        Open(DataFile("window/linear-currents.csv"));
        TypeLinearCase();
        Click("cmdCalculate");
        ASSERT_TRUE(m_reporter.kinds.empty()) << m_reporter.messages.front();
        for (const auto& [label, text] : expected) {
            EXPECT_EQ(Text(label), QString::fromLatin1(text).replace('.', locale.decimalPoint()))
                << label;
        }
        EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
        // Calculate does not redraw the limits; they follow at the next Enter or load.
        EXPECT_EQ(Limits(), (Texts{"2500", "0", "50", "-125"}));
        PressKey("txtScreenBias", Qt::Key_Return);
        EXPECT_EQ(Limits()[0], QString::fromLatin1("3000"));
        EXPECT_EQ(Limits()[3], QString::fromLatin1("-150"));
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage("360");
    EXPECT_EQ(Limits(), (Texts{"864,0001", "288", "0", "-57,6"}));
}

// State: curves 200..600 V with Enter at 300, or the linear curves with figures on view, or no
// curves. Action: an Open, Calculate or Enter that fails. Expected: one report naming the fault's
// kind, and the window (caption, boxes, labels, limits, ratios, Calculate) exactly as before.
TEST_F(MainWindowTest, FailedActionsReportAndChangeNothing) {
    enum class Setup { NoCurves, ScaledLimits, Figures };
    struct Case {
        const char* name;
        Setup setup;
        const char* box; // typed into before the action, if any
        const char* typed;
        std::function<void()> action;
        FaultKind kind;
    };
    const auto calculate = [this] { Click("cmdCalculate"); };
    const auto enter = [this] { PressKey("txtScreenBias", Qt::Key_Return); };
    const Case cases[] = {
        {"load: a word where a current belongs", Setup::ScaledLimits, nullptr, nullptr,
         [this] { Open(DataFile("window/bad-anode-current.csv")); }, FaultKind::TypeMismatch},
        {"load: a missing file", Setup::ScaledLimits, nullptr, nullptr,
         [this] { Open(DataFile("window/no-such-file.csv")); }, FaultKind::FileOpen},
        {"Calculate: anode bias equal to the minimum anode voltage", Setup::Figures, "txtAnodeBias",
         "360", calculate, FaultKind::DivisionByZero},
        {"Calculate: negative screen voltage", Setup::Figures, "txtScreenBias", "-360", calculate,
         FaultKind::InvalidArgument},
        {"Enter before any load", Setup::NoCurves, "txtScreenBias", "300", enter,
         FaultKind::DivisionByZero},
        {"Enter before any load, box empty (0 / 0)", Setup::NoCurves, "txtScreenBias", "", enter,
         FaultKind::Overflow},
        {"Enter: negative screen voltage", Setup::ScaledLimits, "txtScreenBias", "-300", enter,
         FaultKind::InvalidArgument},
        {"Enter: ratio beyond single precision", Setup::ScaledLimits, "txtScreenBias", "1e300",
         enter, FaultKind::Overflow},
        {"Enter: limits beyond single precision", Setup::ScaledLimits, "txtScreenBias", "3e38",
         enter, FaultKind::Overflow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        if (c.setup == Setup::ScaledLimits) {
            Open(DataFile("window/limits-200-600.csv"));
            EnterScreenVoltage("300");
        } else if (c.setup == Setup::Figures) {
            Open(DataFile("window/linear-currents.csv"));
            TypeLinearCase();
            Click("cmdCalculate");
        }
        if (c.box != nullptr) {
            Type(c.box, c.typed);
        }
        const WindowSnapshot before = Snapshot();
        m_reporter.kinds.clear();
        c.action();
        ASSERT_EQ(m_reporter.kinds.size(), 1U);
        EXPECT_EQ(m_reporter.kinds[0], c.kind) << m_reporter.messages.back();
        if (c.kind == FaultKind::InvalidArgument) {
            EXPECT_TRUE(
                m_reporter.messages.back().starts_with("the screen voltage must be positive"));
        }
        EXPECT_EQ(Snapshot(), before);
    }
}

// State: just started, then with curves and an operating line typed (so a pressed Calculate would
// change every figure). Action: cancel Open, click Charts, Enter and Escape in the other boxes,
// Enter on the buttons. Expected: nothing changes, nothing is reported, no button is pressed.
TEST_F(MainWindowTest, CancelChartsEscapeAndEnterElsewhereChangeNothing) {
    for (bool loaded : {false, true}) {
        SCOPED_TRACE(loaded ? "curves loaded" : "no curves");
        if (loaded) {
            Open(DataFile("window/linear-currents.csv"));
            TypeLinearCase();
            EnterScreenVoltage("300");
        }
        const WindowSnapshot before = Snapshot();
        Open(QString());
        Click("cmdCharts");
        for (const char* box : {"txtGridBias", "txtAnodeBias", "txtPeakGrid", "txtMinAnode"}) {
            PressKey(box, Qt::Key_Return);
            PressKey(box, Qt::Key_Enter, Qt::KeypadModifier);
            PressKey(box, Qt::Key_Escape);
        }
        PressKey("txtScreenBias", Qt::Key_Escape);
        for (const char* button : {"cmdCalculate", "cmdCharts"}) {
            Find<QPushButton>(button).setFocus();
            QTest::keyClick(&Find<QPushButton>(button), Qt::Key_Return);
        }
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(m_reporter.kinds.empty());
    }
}

// State: curves and an operating line on view, a second load under way. Action: Open, Calculate
// and Enter (with a screen voltage that would be refused) arrive while the loader yields.
// Expected: none is acted on; the load completes.
TEST_F(MainWindowTest, ActionsDuringALoadAreNotActedOn) {
    Open(DataFile("window/linear-currents.csv"));
    TypeLinearCase();
    Type("txtScreenBias", "-5");
    int interruptions = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        ++interruptions;
        ClickMenu("mnuOpen"); // a second Open would ask the chooser, which has no answer
        Click("cmdCalculate");
        PressKey("txtScreenBias", Qt::Key_Return);
    });
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(interruptions, 1) << "the load did not yield to the window";
    EXPECT_TRUE(m_reporter.kinds.empty());
    EXPECT_EQ(Text("lblPeakAnodeRFVolts"), "0");
    EXPECT_EQ(Limits(), (Texts{"600", "200", "0", "-40"}));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator linear-currents limits-200-600");
}

// State: a load under way, or idle. Action: Quit, or close from the title bar. Expected: the window
// goes at once; a load is abandoned without a report and without changing anything.
TEST_F(MainWindowTest, QuitAndCloseEndAtOnceAlsoDuringALoad) {
    for (bool duringLoad : {false, true}) {
        for (bool viaMenu : {true, false}) {
            SCOPED_TRACE(std::string(viaMenu ? "Quit" : "close") +
                         (duringLoad ? " during a load" : " while idle"));
            ASSERT_NO_FATAL_FAILURE(StartWindow());
            const WindowSnapshot before = Snapshot();
            auto quit = [&] { viaMenu ? ClickMenu("mnuQuit") : void(m_window->close()); };
            if (duringLoad) {
                QTimer::singleShot(0, m_window.get(), quit);
                Open(DataFile("window/linear-currents.csv"));
                EXPECT_EQ(Snapshot(), before);
            } else {
                quit();
            }
            EXPECT_FALSE(m_window->isVisible());
            EXPECT_TRUE(m_reporter.kinds.empty());
        }
    }
}

// State: start, limits at their widest, results of the model tube. Action: measure every text at
// the window's font. Expected: every caption and value fits inside its control.
TEST_F(MainWindowTest, EveryTextFitsItsControl) {
    auto checkFit = [this] {
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
                << label->objectName().toStdString() << " " << label->text().toStdString();
            EXPECT_LE(metrics.height(), label->contentsRect().height());
        }
        for (QGroupBox* frame : m_window->findChildren<QGroupBox*>()) {
            EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()), frame->width());
        }
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width());
        }
    };
    checkFit();
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage("360");
    ASSERT_EQ(Text("lblMaxAnodeVDatasheet"), "864.0001");
    checkFit();
    Open(QStringLiteral(TETRODE_EXAMPLES "/model-tetrode-250v.csv"));
    Type("txtGridBias", "-75");
    Type("txtAnodeBias", "3000");
    Type("txtPeakGrid", "20");
    Type("txtMinAnode", "400");
    EnterScreenVoltage("300");
    Click("cmdCalculate");
    ASSERT_TRUE(m_reporter.kinds.empty());
    checkFit();
}

// The limits without a window: a zero limit reads 0 whatever the signs of its factors.
TEST(DataLimitsTest, ZeroLimitsShowNoSign) {
    CurveTable curves;
    curves.AnodeVoltages = {200.0F, 600.0F};
    curves.GridVoltages = {-0.0F, -40.0F};
    const auto limits = DatasheetLimitTexts(curves, 0.0F, ".");
    for (std::size_t i = 0; i < limits.size(); ++i) {
        EXPECT_EQ(limits[i].label, LimitLabels[i]);
        EXPECT_EQ(limits[i].text, "0");
    }
}

} // namespace
} // namespace tetrode

// The window needs a QApplication for the whole run; the locale is pinned so the figures' texts
// are the same on every machine.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

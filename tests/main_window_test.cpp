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
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tetrode {
namespace {

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

struct RecordedReport {
    FaultKind kind;
    std::string message;
};

class RecordingFaultReporter final : public FaultReporter {
  public:
    void Report(QWidget* /*parent*/, const Fault& fault) override {
        reports.push_back({fault.kind(), fault.what()});
    }

    std::vector<RecordedReport> reports;
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
    *out << "caption \"" << snapshot.caption.toStdString() << "\", Calculate "
         << (snapshot.calculateEnabled ? "enabled" : "disabled") << ", VoltageRatio "
         << snapshot.voltageRatio << ", PowerRatio32 " << snapshot.powerRatio32;
    for (const auto& [name, text] : snapshot.texts) {
        *out << ", " << name.toStdString() << "=\"" << text.toStdString() << '"';
    }
}

// Sets the default locale for one test and puts the test locale back afterwards.
class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;
    ~LocaleScope() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

const char* const ValueLabels[] = {
    "lblMaxAnodeVDatasheet",
    "lblMinAnodeVDatasheet",
    "lblMaxGridVDatasheet",
    "lblMinGridVDatasheet",
    "lblDataSheetScreenV",
    "lblPeakGridRFVolts",
    "lblGridDCcurrent",
    "lblGridPower",
    "lblDrivingPower",
    "lblGridImpedance",
    "lblPeakAnodeRFVolts",
    "lblAnodeDCcurrent",
    "lblZSAC",
    "lblAnodePower",
    "lblAnodeImpedance",
    "lblInputPower",
    "lblOutputPower",
    "lblEfficiency",
    "lblScreenDCcurrent",
    "lblScreenPower",
};

const char* const EntryBoxes[] = {"txtGridBias", "txtAnodeBias", "txtPeakGrid", "txtMinAnode",
                                  "txtScreenBias"};

const char* const LimitLabels[] = {"lblMaxAnodeVDatasheet", "lblMinAnodeVDatasheet",
                                   "lblMaxGridVDatasheet", "lblMinGridVDatasheet"};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_window = std::make_unique<frmMain>(m_chooser, m_reporter);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    void TearDown() override {
        EXPECT_TRUE(m_chooser.answers.empty()) << "the window did not ask for every file offered";
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

    std::vector<QString> Limits() const {
        std::vector<QString> texts;
        for (const char* name : LimitLabels) {
            texts.push_back(Text(name));
        }
        return texts;
    }

    WindowSnapshot Snapshot() const {
        WindowSnapshot snapshot;
        snapshot.caption = m_window->windowTitle();
        snapshot.calculateEnabled = Find<QPushButton>("cmdCalculate").isEnabled();
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            snapshot.texts[label->objectName()] = label->text();
        }
        for (QLineEdit* box : m_window->findChildren<QLineEdit*>()) {
            snapshot.texts[box->objectName()] = box->text();
        }
        snapshot.voltageRatio = m_window->curves().VoltageRatio;
        snapshot.powerRatio32 = m_window->curves().PowerRatio32;
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
    void Type(const char* box, const QString& text) {
        QLineEdit& edit = Find<QLineEdit>(box);
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QTest::keyClicks(&edit, text);
    }

    void PressKey(const char* box, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&Find<QLineEdit>(box), key, modifiers);
    }

    void EnterScreenVoltage(const QString& volts) {
        Type("txtScreenBias", volts);
        PressKey("txtScreenBias", Qt::Key_Return);
    }

    void Click(const char* button) {
        QTest::mouseClick(&Find<QPushButton>(button), Qt::LeftButton);
    }

    // The operating line of the independently computed case on linear-currents.csv.
    void TypeLinearCase() {
        Type("txtGridBias", QStringLiteral("-115"));
        Type("txtAnodeBias", QStringLiteral("2500"));
        Type("txtPeakGrid", QStringLiteral("60"));
        Type("txtMinAnode", QStringLiteral("360"));
        Type("txtScreenBias", QStringLiteral("360"));
    }

    FakeFileChooser m_chooser;
    RecordingFaultReporter m_reporter;
    ModalWatchdog m_watchdog;
    std::unique_ptr<frmMain> m_window;
};

// State: just started. Action: none. Expected: the title, empty boxes, twenty labels "0",
// Calculate disabled, Charts enabled, the focus in txtGridBias, a fixed client area.
TEST_F(MainWindowTest, StartsEmptyWithCalculateDisabled) {
    EXPECT_EQ(m_window->objectName(), "frmMain");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator");
    for (const char* name : EntryBoxes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Text(name), "");
    }
    for (const char* name : ValueLabels) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Text(name), "0");
    }
    EXPECT_FALSE(Find<QPushButton>("cmdCalculate").isEnabled());
    EXPECT_TRUE(Find<QPushButton>("cmdCharts").isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), &Find<QLineEdit>("txtGridBias"));
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.0F);
    EXPECT_TRUE(m_reporter.reports.empty());
}

// State: just started. Action: look at the menu bar. Expected: Open then Quit, directly on the
// bar, without sub-menus or shortcuts.
TEST_F(MainWindowTest, MenuBarHoldsOpenThenQuit) {
    const QList<QAction*> actions = m_window->menuBar()->actions();
    ASSERT_EQ(actions.size(), 2);
    const char* const names[] = {"mnuOpen", "mnuQuit"};
    const char* const captions[] = {"Open", "Quit"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(actions[i]->objectName(), names[i]);
        EXPECT_EQ(actions[i]->text(), captions[i]);
        EXPECT_EQ(actions[i]->menu(), nullptr);
        EXPECT_TRUE(actions[i]->shortcut().isEmpty());
    }
}

// State: just started. Action: none, then resize the window. Expected: controls stand where the
// twips layout puts them (15 twips a pixel), and stay there.
TEST_F(MainWindowTest, ControlsStandAtTheirTwipsPlaceAndStayOnResize) {
    struct Case {
        const char* name;
        const char* parent;
        QRect pixels;
    };
    // Twips from the design table divided by 15, worked out by hand.
    const Case cases[] = {
        {"Frame1", "clientArea", {536, 8, 337, 153}},
        {"fraOutput", "clientArea", {40, 176, 833, 417}},
        {"cmdCalculate", "clientArea", {80, 624, 73, 33}},
        {"cmdCharts", "clientArea", {208, 624, 81, 33}},
        {"txtScreenBias", "fraPointG", {104, 80, 97, 19}},
        {"txtMinAnode", "fraPeakPoint", {120, 56, 89, 19}},
        {"lblDataSheetScreenV", "Frame1", {176, 120, 129, 17}},
        {"fraScreenOperation", "fraOutput", {424, 216, 369, 89}},
        {"Label11", "fraAnodeOperation", {8, 80, 145, 17}},
        {"lblGridImpedance", "fraGridOperation", {224, 120, 121, 17}},
    };
    const QWidget& client = Find<QWidget>("clientArea");
    EXPECT_EQ(client.size(), QSize(972, 694));
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const QWidget& widget = Find<QWidget>(c.name);
            EXPECT_EQ(widget.parentWidget()->objectName(), c.parent);
            EXPECT_EQ(widget.geometry(), c.pixels);
        }
        m_window->resize(1400, 1000);
        QTest::qWait(20);
        EXPECT_EQ(client.size(), QSize(972, 694));
    }
}

// State: just started, then after a load. Action: Tab round the window. Expected: the five boxes,
// Calculate only once enabled, Charts, then txtGridBias again.
TEST_F(MainWindowTest, TabCyclesThroughBoxesAndButtons) {
    struct Case {
        const char* state;
        std::vector<QString> order;
    };
    const Case cases[] = {
        {"no curves",
         {"txtAnodeBias", "txtPeakGrid", "txtMinAnode", "txtScreenBias", "cmdCharts",
          "txtGridBias"}},
        {"curves loaded",
         {"txtAnodeBias", "txtPeakGrid", "txtMinAnode", "txtScreenBias", "cmdCalculate",
          "cmdCharts", "txtGridBias"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        if (std::string_view(c.state) == "curves loaded") {
            Open(DataFile("worked-example.csv"));
            Find<QLineEdit>("txtGridBias").setFocus();
        }
        ASSERT_EQ(QApplication::focusWidget(), &Find<QLineEdit>("txtGridBias"));
        std::vector<QString> visited;
        for (std::size_t i = 0; i < c.order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->objectName());
        }
        EXPECT_EQ(visited, c.order);
    }
}

// State: just started. Action: none. Expected: each entry box has its caption label as buddy, and
// no caption carries an access key.
TEST_F(MainWindowTest, EntryBoxesAreNamedByTheirCaptionLabels) {
    const std::pair<const char*, const char*> pairs[] = {
        {"Label1", "txtGridBias"}, {"Label2", "txtAnodeBias"}, {"Label5", "txtScreenBias"},
        {"Label3", "txtPeakGrid"}, {"Label4", "txtMinAnode"},
    };
    for (const auto& [label, box] : pairs) {
        SCOPED_TRACE(box);
        EXPECT_EQ(Find<QLabel>(label).buddy(), &Find<QLineEdit>(box));
    }
    for (QLabel* label : m_window->findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().contains('&')) << label->objectName().toStdString();
    }
    for (QWidget* widget : m_window->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(widget) != nullptr ||
            qobject_cast<QGroupBox*>(widget) != nullptr) {
            EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
        }
    }
}

// State: just started. Action: Open the worked example. Expected: the header text in the box and
// the label, the name on the caption, the limits at scale 1, Calculate enabled.
TEST_F(MainWindowTest, OpenShowsTheWorkedExample) {
    Open(DataFile("worked-example.csv"));
    EXPECT_TRUE(m_reporter.reports.empty());
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example");
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(Text("lblDataSheetScreenV"), "250");
    EXPECT_EQ(Limits(), (std::vector<QString>{"600", "0", "10", "-10"}));
    EXPECT_TRUE(Find<QPushButton>("cmdCalculate").isEnabled());
    EXPECT_EQ(m_window->curves().DataSheetScreenV, 250.0F);
    EXPECT_EQ(m_window->curves().NumAnodePoints, 4);
}

// State: curves 200..600 V anode, 0..-40 V grid, taken at 250 V. Action: Enter at several screen
// voltages. Expected: the limits scaled by the typed voltage over 250, as single products.
TEST_F(MainWindowTest, EnterInScreenBoxRescalesTheLimits) {
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(Limits(), (std::vector<QString>{"600", "200", "0", "-40"}));
    struct Case {
        const char* typed;
        float ratio;
        std::vector<QString> limits;
    };
    const Case cases[] = {
        {"300", 1.2F, {"720", "240", "0", "-48"}},
        {"360", 1.44F, {"864.0001", "288", "0", "-57.6"}},
        {"250", 1.0F, {"600", "200", "0", "-40"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EnterScreenVoltage(QString::fromLatin1(c.typed));
        EXPECT_EQ(Limits(), c.limits);
        EXPECT_EQ(m_window->curves().VoltageRatio, c.ratio);
        // Enter sets only the voltage ratio; the current ratio waits for Calculate.
        EXPECT_EQ(m_window->curves().PowerRatio32, 0.0F);
        EXPECT_EQ(Text("txtScreenBias"), c.typed);
    }
    EXPECT_TRUE(m_reporter.reports.empty());
}

// State: curves loaded, box at 300. Action: each Enter key, with and without modifiers, then other
// keys. Expected: every Enter rescales; no other key changes the limits or the ratio.
TEST_F(MainWindowTest, OnlyEnterKeysRescaleWhateverTheModifiers) {
    Open(DataFile("window/limits-200-600.csv"));
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool rescales;
    };
    const Case cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, true},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true},
        {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier, true},
        {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, true},
        {"Shift+A", Qt::Key_A, Qt::ShiftModifier, false},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, false},
        {"F5", Qt::Key_F5, Qt::NoModifier, false},
        {"Right", Qt::Key_Right, Qt::NoModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnterScreenVoltage(QStringLiteral("250")); // back to scale 1
        Type("txtScreenBias", QStringLiteral("300"));
        PressKey("txtScreenBias", c.key, c.modifiers);
        if (c.rescales) {
            EXPECT_EQ(Limits(), (std::vector<QString>{"720", "240", "0", "-48"}));
            EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
        } else {
            EXPECT_EQ(Limits(), (std::vector<QString>{"600", "200", "0", "-40"}));
            EXPECT_EQ(m_window->curves().VoltageRatio, 1.0F);
        }
    }
    EXPECT_TRUE(m_reporter.reports.empty());
}

// State: curves loaded, then Enter at 300. Action: Open a second file. Expected: its limits appear
// multiplied by 1.2; its header text replaces the box; the caption holds both names.
TEST_F(MainWindowTest, SecondLoadShowsLimitsInTheRatioInForce) {
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage(QStringLiteral("300"));
    Open(DataFile("worked-example.csv"));
    EXPECT_EQ(Limits(), (std::vector<QString>{"720", "0", "12", "-12"}));
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator limits-200-600 worked-example");
    EXPECT_TRUE(Find<QPushButton>("cmdCalculate").isEnabled());
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
// least 0.019 from a rounding step.
TEST_F(MainWindowTest, CalculateShowsFifteenFiguresOfAnOperatingLine) {
    Open(DataFile("window/linear-currents.csv"));
    TypeLinearCase();
    Click("cmdCalculate");
    ASSERT_TRUE(m_reporter.reports.empty()) << m_reporter.reports.front().message;
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
    for (const auto& [label, text] : expected) {
        SCOPED_TRACE(label);
        EXPECT_EQ(Text(label), text);
    }
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
    // Calculate does not redraw the limits; they follow at the next Enter or load.
    EXPECT_EQ(Limits(), (std::vector<QString>{"2500", "0", "50", "-125"}));
}

// State: as above, German locale. Action: Enter at 360 on the limits curves, then Calculate.
// Expected: limits and results show the comma separator; typed numbers still read the full stop.
TEST_F(MainWindowTest, FiguresShowTheLocaleDecimalSeparator) {
    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage(QStringLiteral("360"));
    EXPECT_EQ(Limits(), (std::vector<QString>{"864,0001", "288", "0", "-57,6"}));
    Open(DataFile("window/linear-currents.csv"));
    TypeLinearCase();
    Click("cmdCalculate");
    EXPECT_EQ(Text("lblPeakAnodeRFVolts"), "2140,0");
    EXPECT_EQ(Text("lblEfficiency"), "63,8");
    EXPECT_EQ(Text("lblGridImpedance"), "761");
    EXPECT_TRUE(m_reporter.reports.empty());
}

// State: a successful Calculate on view. Action: a Calculate that fails. Expected: the fault is
// reported with its kind, and no label changes.
TEST_F(MainWindowTest, FailingCalculateLeavesEveryLabel) {
    Open(DataFile("window/linear-currents.csv"));
    TypeLinearCase();
    Click("cmdCalculate");
    ASSERT_TRUE(m_reporter.reports.empty());
    struct Case {
        const char* name;
        const char* box;
        const char* typed;
        FaultKind kind;
    };
    const Case cases[] = {
        {"anode bias equal to the minimum anode voltage", "txtAnodeBias", "360",
         FaultKind::DivisionByZero},
        {"screen voltage empty", "txtScreenBias", "", FaultKind::DivisionByZero},
        {"negative screen voltage", "txtScreenBias", "-360", FaultKind::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TypeLinearCase();
        Type(c.box, QString::fromLatin1(c.typed));
        std::map<QString, QString> before = Snapshot().texts;
        m_reporter.reports.clear();
        Click("cmdCalculate");
        ASSERT_EQ(m_reporter.reports.size(), 1U);
        EXPECT_EQ(m_reporter.reports[0].kind, c.kind) << m_reporter.reports[0].message;
        EXPECT_EQ(Snapshot().texts, before);
        EXPECT_EQ(Text("lblPeakAnodeRFVolts"), "2140.0");
    }
}

// State: curves loaded and scaled by Enter. Action: Open a file that fails to load, and one that
// does not exist. Expected: the fault reported; caption, boxes, labels, ratio and Calculate as
// before.
TEST_F(MainWindowTest, FailingLoadLeavesTheWindowAsItWas) {
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage(QStringLiteral("300"));
    struct Case {
        const char* name;
        QString path;
        FaultKind kind;
    };
    const Case cases[] = {
        {"a word where a current belongs", DataFile("window/bad-anode-current.csv"),
         FaultKind::TypeMismatch},
        {"a missing file", DataFile("window/no-such-file.csv"), FaultKind::FileOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowSnapshot before = Snapshot();
        m_reporter.reports.clear();
        Open(c.path);
        ASSERT_EQ(m_reporter.reports.size(), 1U);
        EXPECT_EQ(m_reporter.reports[0].kind, c.kind) << m_reporter.reports[0].message;
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(Limits(), (std::vector<QString>{"720", "240", "0", "-48"}));
    }
}

// State: just started, then curves loaded. Action: cancel the file dialog. Expected: nothing
// changes and nothing is reported.
TEST_F(MainWindowTest, CancelledOpenDoesNothing) {
    for (const char* state : {"no curves", "curves loaded"}) {
        SCOPED_TRACE(state);
        if (std::string_view(state) == "curves loaded") {
            Open(DataFile("worked-example.csv"));
        }
        const WindowSnapshot before = Snapshot();
        Open(QString());
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(m_reporter.reports.empty());
    }
}

// State: just started, then with curves and a valid operating line typed. Action: Charts, Escape
// and Enter in the four operating-point boxes. Expected: nothing changes, no button is pressed.
TEST_F(MainWindowTest, ChartsEscapeAndEnterElsewhereChangeNothing) {
    for (const char* state : {"no curves", "curves loaded"}) {
        SCOPED_TRACE(state);
        if (std::string_view(state) == "curves loaded") {
            Open(DataFile("window/linear-currents.csv"));
            // A pressed Calculate would change every result label.
            TypeLinearCase();
            EnterScreenVoltage(QStringLiteral("300"));
        }
        const WindowSnapshot before = Snapshot();
        Click("cmdCharts");
        EXPECT_EQ(Snapshot(), before) << "Charts";
        for (const char* box : {"txtGridBias", "txtAnodeBias", "txtPeakGrid", "txtMinAnode"}) {
            SCOPED_TRACE(box);
            PressKey(box, Qt::Key_Return);
            PressKey(box, Qt::Key_Enter, Qt::KeypadModifier);
            PressKey(box, Qt::Key_Escape);
            EXPECT_EQ(Snapshot(), before);
        }
        PressKey("txtScreenBias", Qt::Key_Escape);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(m_reporter.reports.empty());
    }
}

// State: just started. Action: two loads. Expected: both names follow the title, older first;
// a name holding the toolkit's "[*]" placeholder is shown as it stands.
TEST_F(MainWindowTest, EachLoadAppendsItsNameToTheCaption) {
    Open(DataFile("worked-example.csv"));
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example limits-200-600");

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString odd = folder.filePath(QStringLiteral("tube[*]A.csv"));
    ASSERT_TRUE(QFile::copy(DataFile("worked-example.csv"), odd));
    Open(odd);
    EXPECT_EQ(m_window->windowHandle()->title(),
              "Tetrode Calculator worked-example limits-200-600 tube[*]A");
}

// State: before any load, then with curves. Action: Enter in the screen box with texts that
// cannot give a ratio. Expected: the fault's kind reported; limits and ratio unchanged.
TEST_F(MainWindowTest, EnterFaultsAreReportedAndChangeNothing) {
    struct Case {
        const char* name;
        bool loaded;
        const char* typed;
        FaultKind kind;
    };
    const Case cases[] = {
        {"before any load", false, "300", FaultKind::DivisionByZero},
        {"before any load, empty box (0 / 0)", false, "", FaultKind::Overflow},
        {"negative screen voltage", true, "-300", FaultKind::InvalidArgument},
        {"ratio beyond single precision", true, "1e300", FaultKind::Overflow},
        {"limits beyond single precision", true, "3e38", FaultKind::Overflow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.loaded && !Find<QPushButton>("cmdCalculate").isEnabled()) {
            Open(DataFile("window/limits-200-600.csv"));
        }
        Type("txtScreenBias", QString::fromLatin1(c.typed));
        const WindowSnapshot before = Snapshot();
        m_reporter.reports.clear();
        PressKey("txtScreenBias", Qt::Key_Return);
        ASSERT_EQ(m_reporter.reports.size(), 1U);
        EXPECT_EQ(m_reporter.reports[0].kind, c.kind) << m_reporter.reports[0].message;
        EXPECT_EQ(Snapshot(), before);
    }
}

// State: curves and results on view, a second load under way. Action: Open, Calculate and Enter
// arrive while the loader yields. Expected: none is acted on; the load completes.
TEST_F(MainWindowTest, ActionsDuringALoadAreNotActedOn) {
    Open(DataFile("window/linear-currents.csv"));
    TypeLinearCase();
    Type("txtScreenBias", QStringLiteral("-5")); // an Enter acted on would report a fault
    const QString resultsBefore = Text("lblPeakAnodeRFVolts");
    int interruptions = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        ++interruptions;
        ClickMenu("mnuOpen"); // a second Open would ask the chooser, which has no answer
        Click("cmdCalculate");
        PressKey("txtScreenBias", Qt::Key_Return);
    });
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(interruptions, 1) << "the load did not yield to the window";
    EXPECT_TRUE(m_reporter.reports.empty());
    EXPECT_EQ(Text("lblPeakAnodeRFVolts"), resultsBefore);
    EXPECT_EQ(Limits(), (std::vector<QString>{"600", "200", "0", "-40"}));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator linear-currents limits-200-600");
}

// State: a load under way, or idle. Action: Quit or close the window. Expected: the window goes at
// once, the load is abandoned without a report and without changing anything.
TEST_F(MainWindowTest, QuitAndCloseEndAtOnceAlsoDuringALoad) {
    struct Case {
        const char* name;
        bool duringLoad;
        bool viaMenu; // Quit in the menu bar, else close from the title bar
    };
    const Case cases[] = {
        {"Quit while idle", false, true},
        {"close while idle", false, false},
        {"Quit during a load", true, true},
        {"close during a load", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_window = std::make_unique<frmMain>(m_chooser, m_reporter);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        const WindowSnapshot before = Snapshot();
        auto quit = [&] {
            if (c.viaMenu) {
                ClickMenu("mnuQuit");
            } else {
                m_window->close();
            }
        };
        if (c.duringLoad) {
            QTimer::singleShot(0, m_window.get(), quit);
            Open(DataFile("window/linear-currents.csv"));
            EXPECT_EQ(Snapshot(), before);
        } else {
            quit();
        }
        EXPECT_FALSE(m_window->isVisible());
        EXPECT_TRUE(m_reporter.reports.empty());
    }
}

// State: start, limits at their widest, results of the model tube. Action: measure every text at
// the window's font. Expected: every caption and value fits inside its control.
TEST_F(MainWindowTest, EveryTextFitsItsControl) {
    auto checkFit = [this](const char* state) {
        SCOPED_TRACE(state);
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
                << label->objectName().toStdString() << " \"" << label->text().toStdString() << '"';
            EXPECT_LE(metrics.height(), label->contentsRect().height())
                << label->objectName().toStdString();
        }
        for (QGroupBox* frame : m_window->findChildren<QGroupBox*>()) {
            EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()), frame->width())
                << frame->objectName().toStdString();
        }
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
                << button->objectName().toStdString();
        }
    };
    checkFit("start");
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage(QStringLiteral("360"));
    ASSERT_EQ(Text("lblMaxAnodeVDatasheet"), "864.0001");
    checkFit("limits 864.0001");
    Open(QStringLiteral(TETRODE_EXAMPLES "/model-tetrode-250v.csv"));
    Type("txtGridBias", QStringLiteral("-60"));
    Type("txtAnodeBias", QStringLiteral("2500"));
    Type("txtPeakGrid", QStringLiteral("15"));
    Type("txtMinAnode", QStringLiteral("400"));
    Type("txtScreenBias", QStringLiteral("250"));
    Click("cmdCalculate");
    ASSERT_TRUE(m_reporter.reports.empty());
    checkFit("model tube results");
}

// The limits and the Enter ratio without a window: positions as they stand, one rounding to
// single, no negative zero.
TEST(DataLimitsTest, LimitsAreSingleProductsOfTheAxisEnds) {
    CurveTable curves;
    curves.AnodeVoltages = {200.0F, 300.0F, 400.0F, 500.0F, 600.0F};
    curves.GridVoltages = {0.0F, -10.0F, -20.0F, -30.0F, -40.0F};
    struct Case {
        const char* name;
        float ratio;
        std::array<const char*, 4> texts;
    };
    const Case cases[] = {
        {"scale 1", 1.0F, {"600", "200", "0", "-40"}},
        {"scale 1.44", 1.44F, {"864.0001", "288", "0", "-57.6"}},
        {"scale 0", 0.0F, {"0", "0", "0", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto limits = DatasheetLimitTexts(curves, c.ratio, ".");
        for (std::size_t i = 0; i < limits.size(); ++i) {
            EXPECT_EQ(limits[i].label, LimitLabels[i]);
            EXPECT_EQ(limits[i].text, c.texts[i]);
        }
    }
}

TEST(DataLimitsTest, VoltageRatioReadsBothTextsLeniently) {
    struct Case {
        const char* name;
        const char* box;
        const char* label;
        float ratio;
    };
    const Case cases[] = {
        {"300 over 250", "300", "250", 1.2F},
        {"blank before the header number", "360", " 250", 1.44F},
        {"units typed after the number", "300V", "250", 1.2F},
        {"box empty reads 0", "", "250", 0.0F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VoltageRatioFromTexts(c.box, c.label), c.ratio);
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

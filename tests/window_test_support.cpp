// SPDX-License-Identifier: MIT
#include "window_test_support.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>
#include <QXYSeries>

#include <gtest/gtest.h>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tetrode::testing {

QString FakeUser::ChooseFile(QWidget* /*parent*/) {
    EXPECT_FALSE(answers.empty()) << "a window asked for a file when none was expected";
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString FakeUser::ChooseSaveFile(QWidget* parent, const QString& /*title*/,
                                 const QString& /*filter*/, const QString& /*suggestedName*/) {
    return ChooseFile(parent);
}

void FakeUser::Report(QWidget* /*parent*/, const Fault& fault) {
    faults.push_back(fault);
}

std::vector<DigitizedFile> FakeUser::ChooseExports(QWidget* /*parent*/) {
    EXPECT_FALSE(exports.empty()) << "the window asked for exports when none were expected";
    return exports.empty() ? std::vector<DigitizedFile>() : exports.takeFirst();
}

std::optional<ImportSettingsTexts> FakeUser::AskSettings(QWidget* /*parent*/,
                                                         const ImportSettingsTexts& shown,
                                                         const QString& /*summary*/) {
    prefilled.push_back(shown);
    EXPECT_FALSE(settings.empty()) << "the window asked for import settings unexpectedly";
    return settings.isEmpty() ? std::nullopt : settings.takeFirst();
}

ModalWatchdog::ModalWatchdog() {
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a modal dialog appeared: " << modal->windowTitle().toStdString();
            modal->close();
        }
    });
    m_timer.start(20);
}

std::vector<QPointF> SeriesPoints(const QChart& chart, const QString& name) {
    std::vector<QPointF> points;
    for (QAbstractSeries* series : chart.series()) {
        if (series->objectName() == name && series->isVisible()) {
            const QList<QPointF> own = static_cast<QXYSeries*>(series)->points();
            points.insert(points.end(), own.begin(), own.end());
        }
    }
    return points;
}

int RunWindowTests(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace tetrode::testing

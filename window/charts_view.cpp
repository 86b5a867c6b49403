// SPDX-License-Identifier: MIT
#include "window/charts_view.h"

#include "platform/fault.h"

#include <QCoreApplication>
#include <QLibrary>

#include <new>

namespace tetrode {
namespace {

// Where the module lies: TETRODE_CHARTS_MODULE is its path from the program's folder, the same in
// the build tree and once installed.
QString ModulePath() {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') +
           QString::fromUtf8(TETRODE_CHARTS_MODULE);
}

ChartsViewFactory LoadFactory() {
    // A module once loaded stays for the program's life: the window it creates runs its code.
    QLibrary module(ModulePath());
    const auto factory =
        reinterpret_cast<ChartsViewFactory>(module.resolve(kChartsViewFactoryName));
    if (factory == nullptr) {
        std::string cause("the charts cannot be shown: ");
        cause.append(module.errorString().toStdString());
        throw Fault(FaultKind::FileOpen, cause, FilePlace{ModulePath().toStdString()});
    }
    return factory;
}

} // namespace

ChartsView* CreateChartsView(const Session& session, FileChooser& fileChooser,
                             FaultReporter& faultReporter, QWidget* parent) {
    static const ChartsViewFactory factory = LoadFactory();
    try {
        return factory(session, fileChooser, faultReporter, parent);
    } catch (const std::bad_alloc&) {
        throw Fault(FaultKind::OutOfMemory, "there is not enough memory for the charts");
    }
}

} // namespace tetrode

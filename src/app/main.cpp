// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <iostream>

#include <QApplication>

#include "app_delegate.h"
#include "base/paths.h"
#include "base/program_info.h"
#include "desktop/launch_options.h"
#include "model.h"
#include "quit_signals.h"
#include "single_instance.h"

namespace {

// Qt ends the process with abort() when its display plugin cannot start; this says why and ends
// it with status 1 instead. Set only while the application object is made; other messages go to
// Qt's own handler.
QtMessageHandler qtHandler = nullptr;

void failedStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::cerr << "nattervane: cannot open the display: " << message.toStdString() << "\n";
        std::_Exit(1);
    }
    if (qtHandler) qtHandler(type, context, message);
}

// Whether the command line is usable and a display is there; the exit status when not.
std::optional<int> refusedStart(const std::vector<std::string>& arguments) {
    if (std::optional<std::string> unknown = LaunchOptions::unknownArgument(arguments)) {
        std::cerr << "nattervane: unknown option: " << *unknown
                  << "\nusage: nattervane [--open]\nTry 'nattervane --help'.\n";
        return 2;
    }
    using LaunchOptions::variable;
    if (LaunchOptions::lacksDisplay(variable("QT_QPA_PLATFORM"), variable("DISPLAY"),
                                    variable("WAYLAND_DISPLAY"))) {
        std::cerr << "nattervane: no display to show the status icon and the window on (neither "
                     "DISPLAY nor WAYLAND_DISPLAY is set); nattervane-cli works without one\n";
        return 1;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Answered before Qt starts, so they work without a display.
    if (auto status =
            ProgramInfo::answer(arguments, "nattervane", LaunchOptions::usage(), std::cout))
        return *status;
    if (std::optional<int> status = refusedStart(arguments)) return *status;
    const Paths paths;
    if (const Result<void> usable = paths.prepareRoot(); !usable) {
        std::cerr << "nattervane: " << usable.error().message << "\n";
        return 1;
    }
    qtHandler = qInstallMessageHandler(failedStart);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    app.setApplicationName("Nattervane");
    app.setApplicationVersion(QString::fromStdString(std::string(ProgramInfo::version())));
    app.setDesktopFileName("nattervane");
    SingleInstance instance(paths);
    const Result<bool> claimed = instance.claim();
    if (!claimed) {
        std::cerr << "nattervane: " << claimed.error().message << "\n";
        return 1;
    }
    if (!*claimed) {
        std::cerr << "nattervane: already running for this data folder; its window opens there.\n";
        return 0;
    }
    // The program lives on in the status bar without a window; without a tray it stays reachable
    // by starting it again, which opens the window of this process.
    QApplication::setQuitOnLastWindowClosed(false);
    Model& model = Model::shared();
    // Ended by the session or a signal, it saves the journal as Quit does.
    QuitSignals quitOnSignal([&model] { model.quit(); });
    AppDelegate delegate(model);
    QObject::connect(&instance, &SingleInstance::openRequested, &delegate,
                     &AppDelegate::openWindow);
    instance.onRuleEdit([&model](const RuleEdit& edit) { return model.edit(edit); });
    instance.onExport([&model](bool on) { return model.setExport(on); });
    delegate.launch(QApplication::arguments());
    return app.exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include <QApplication>

#include "app_delegate.h"
#include "base/paths.h"
#include "base/program_info.h"
#include "desktop/launch_options.h"
#include "model.h"
#include "quit_signals.h"
#include "single_instance.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so they work without a display.
    if (auto status = ProgramInfo::answer({argv + 1, argv + argc}, "nattervane",
                                          LaunchOptions::usage(), std::cout))
        return *status;
    const Paths paths;
    if (const Result<void> usable = paths.prepareRoot(); !usable) {
        std::cerr << "nattervane: " << usable.error().message << "\n";
        return 1;
    }
    QApplication app(argc, argv);
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
    delegate.launch(QApplication::arguments());
    return app.exec();
}

#include <iostream>

#include <QApplication>

#include "app_delegate.h"
#include "launch_options.h"
#include "model.h"
#include "program_info.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so they work without a display.
    if (auto status = ProgramInfo::answer({argv + 1, argv + argc}, "nattervane",
                                          LaunchOptions::usage(), std::cout))
        return *status;
    QApplication app(argc, argv);
    app.setApplicationName("Nattervane");
    app.setApplicationVersion(QString::fromStdString(std::string(ProgramInfo::version())));
    app.setDesktopFileName("nattervane");
    // The program lives on in the status bar without a window.
    QApplication::setQuitOnLastWindowClosed(false);
    AppDelegate delegate(Model::shared());
    delegate.launch(QApplication::arguments());
    return app.exec();
}

#include <QApplication>

#include "app_delegate.h"
#include "model.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Nattervane");
    app.setDesktopFileName("nattervane");
    // The program lives on in the status bar without a window.
    QApplication::setQuitOnLastWindowClosed(false);
    AppDelegate delegate(Model::shared());
    delegate.launch(QApplication::arguments());
    return app.exec();
}

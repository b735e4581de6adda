#include <QApplication>

#include "model.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Nattervane");
    app.setDesktopFileName("nattervane");
    // The program lives on without a window.
    QApplication::setQuitOnLastWindowClosed(false);
    Model& model = Model::shared();
    // The status item, its menu and the window attach to the model here, before it starts.
    model.start();
    return app.exec();
}

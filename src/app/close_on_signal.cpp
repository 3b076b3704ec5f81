#include "close_on_signal.h"

#include <QApplication>
#include <QWidget>

void CloseOnSignal::closeWindow(int request) {
    received_ = request;
    // A box or file dialog waiting for the user would hold the operation, and the program,
    // open for as long as no one is there to answer it: it is dismissed, as its close button
    // would (a file dialog cancelled, a message acknowledged).
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != &window_ && top->isVisible() && top->isModal())
            top->close();
    }
    // As the window's own close button: deferred while an operation runs.
    window_.close();
}

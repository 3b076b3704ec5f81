#include "close_on_signal.h"

#include <QMetaObject>
#include <QWidget>

#include <windows.h>

namespace {

CloseOnSignal* instance = nullptr;
// Set once the program has finished with the window: a closing console may then end it.
HANDLE finished = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    // The console calls this on a thread of its own: the window is asked from its event loop.
    const int request = int(event) + 1; // CTRL_C_EVENT is 0, and 0 means none
    if (CloseOnSignal* const target = instance) {
        QMetaObject::invokeMethod(
            target, [target, request] { target->closeWindow(request); }, Qt::QueuedConnection);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE; // the program goes on until its window has closed
    // The system ends the process when this returns: held until the write in progress has run to
    // its end and the window has closed, or until the system stops waiting.
    WaitForSingleObject(finished, INFINITE);
    return TRUE;
}

} // namespace

CloseOnSignal::CloseOnSignal(QWidget& window) : QObject(&window), window_(window) {
    if (instance)
        return;
    finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!finished)
        return;
    instance = this;
    if (!SetConsoleCtrlHandler(onConsoleEvent, TRUE)) {
        instance = nullptr;
        CloseHandle(finished);
        finished = nullptr;
        return;
    }
    installed_ = true;
}

CloseOnSignal::~CloseOnSignal() {
    if (!installed_)
        return;
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    instance = nullptr;
    // Lets a handler that waits return; the event is left to the process's end.
    SetEvent(finished);
}

int CloseOnSignal::exitStatus(int status) const {
    // As Windows tells a program that Ctrl+C or Ctrl+Break ended.
    return received_ == CTRL_C_EVENT + 1 || received_ == CTRL_BREAK_EVENT + 1
               ? int(STATUS_CONTROL_C_EXIT)
               : status;
}

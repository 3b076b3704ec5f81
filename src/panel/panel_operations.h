#pragma once

#include "operation_progress.h"
#include "panel_link.h"
#include "panel_search.h"
#include "serial_ports.h"

#include <optional>

class CommPort;
class Form1;

// The two whole-panel operations behind the READ_CONFIG and WRITE_CONFIG buttons, and the
// search for the panel behind FIND_PANEL. Each runs to its end inside the click, waiting in
// the event loop between commands; a click that arrives while one waits starts nothing. The
// port is open only while one runs. The operations talk to the port chosen in the window's
// port selector; the search tries every port it lists.
class PanelOperations {
public:
    // The selector lists the ports the system reports (`ports`) and those the user named
    // (`requested`), and starts on the first one named. Without any, it starts on the port
    // `port` was created with, when it has a name; otherwise on the start port the system's
    // ports give.
    PanelOperations(Form1& form, CommPort& port, PortSource ports = systemSerialPorts,
                    const QStringList& requested = {});

    // Connects the READ_CONFIG, WRITE_CONFIG and FIND_PANEL buttons.
    void connectButtons();

    // Reads model, items and intensities out of the panel into the window's lists.
    void READ_CONFIG_Click();
    // Writes the window's composed values into the panel, verifying each location.
    void WRITE_CONFIG_Click();
    // Tries each listed port in turn, as READ begins, and chooses the first where a panel of
    // a served model answers. The bar and the selector are its only outputs.
    void FIND_PANEL_Click();

    // The program is being ended by the system while an operation runs (the display gone):
    // the trace's last line says so, with `cause`, where the operation stopped. Nothing when
    // no operation runs.
    void traceUnfinished(const QString& cause);

    PanelLink& link() { return link_; }
    PortSelector& portSelector() { return selector_; }
    OperationProgress& progress() { return progress_; }

private:
    class Session;

    // The model location as the operations and the search read it: a pause, then location
    // 63. The model is the number the panel named, none when its reply was not a whole
    // answer (short, late or garbled).
    struct ModelAnswer {
        bool abandoned = false;
        std::optional<int> model;
    };
    ModelAnswer readModel();
    // Wake-up and model check shared by both operations. False when the operation must end:
    // the status line or a message box has then said why.
    bool wakeUpAndCheckModel(const char* mismatchText);
    // How the running operation ends, for the trace's last line: the status text and the bar's
    // text; for a search, which leaves the status line alone, the bar's text only.
    QString endText() const;
    // One port of the search: open, wake-up, model location, close; `port` says what it gave.
    // False when the search must end there (the window is closing).
    bool tryPort(search::PortResult& port);
    // Locations 0..24, once the panel has answered: read into the window, or written from it.
    void readLocations();
    void writeLocations();

    Form1& form_;
    CommPort& port_;
    PanelLink link_;
    PortSelector selector_;
    OperationProgress progress_;
    std::optional<OperationProgress::Kind> running_; // while an operation or a search runs
};

#pragma once

#include "operation_progress.h"
#include "panel_link.h"
#include "serial_ports.h"

class CommPort;
class Form1;

// The two whole-panel operations behind the READ_CONFIG and WRITE_CONFIG buttons. Each runs
// to its end inside the click, waiting in the event loop between commands; a click that
// arrives while an operation waits starts nothing. The port is open only while one runs.
// Both talk to the port chosen in the window's port selector.
class PanelOperations {
public:
    // The selector starts on the port `port` was created with, when it has a name (the one
    // the user asked for); otherwise on the start port the system's ports give. `ports`
    // lists the ports the system reports.
    PanelOperations(Form1& form, CommPort& port, PortSource ports = systemSerialPorts);

    // Connects the READ_CONFIG and WRITE_CONFIG buttons to the two operations.
    void connectButtons();

    // Reads model, items and intensities out of the panel into the window's lists.
    void READ_CONFIG_Click();
    // Writes the window's composed values into the panel, verifying each location.
    void WRITE_CONFIG_Click();

    // The program is being ended by the system while an operation runs (the display gone):
    // the trace's last line says so, with `cause`, where the operation stopped. Nothing when
    // no operation runs.
    void traceUnfinished(const QString& cause);

    PanelLink& link() { return link_; }
    PortSelector& portSelector() { return selector_; }
    OperationProgress& progress() { return progress_; }

private:
    class Session;

    // Wake-up and model check shared by both operations. False when the operation must end:
    // the status line or a message box has then said why.
    bool wakeUpAndCheckModel(const char* mismatchText);
    // Locations 0..24, once the panel has answered: read into the window, or written from it.
    void readLocations();
    void writeLocations();

    Form1& form_;
    CommPort& port_;
    PanelLink link_;
    PortSelector selector_;
    OperationProgress progress_;
    bool running_ = false;
};

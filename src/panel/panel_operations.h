#pragma once

#include "panel_link.h"

class CommPort;
class Form1;

// The two whole-panel operations behind the READ_CONFIG and WRITE_CONFIG buttons. Each runs
// to its end inside the click, waiting in the event loop between commands; a click that
// arrives while an operation waits starts nothing. The port is open only while one runs.
class PanelOperations {
public:
    PanelOperations(Form1& form, CommPort& port);

    // Connects the READ_CONFIG and WRITE_CONFIG buttons to the two operations.
    void connectButtons();

    // Reads model, items and intensities out of the panel into the window's lists.
    void READ_CONFIG_Click();
    // Writes the window's composed values into the panel, verifying each location.
    void WRITE_CONFIG_Click();

    PanelLink& link() { return link_; }

private:
    // Wake-up and model check shared by both operations. False when the operation must end:
    // the status line or a message box has then said why.
    bool wakeUpAndCheckModel(const char* mismatchText);

    Form1& form_;
    PanelLink link_;
};

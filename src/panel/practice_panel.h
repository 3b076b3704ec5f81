#pragma once

#include "qcf.h"

#include <QString>

#include <memory>
#include <optional>

class PanelSim;

// The practice panel: a switch panel simulated inside the program, so that every operation can
// be tried without hardware. It answers on a pseudo-terminal of its own, paced as the panel's
// 9600 baud line, from the window's event loop; an operation opens that pseudo-terminal as it
// opens a serial port, so the panel hears the bytes a real one hears. It starts when first
// opened, as a model 70 panel holding the sample configuration built into the program, and
// keeps what a write puts into it until the program ends.
class PracticePanel {
public:
    // The sample it holds unless it is given a configuration of its own.
    static const QString sample;

    PracticePanel();
    ~PracticePanel();
    PracticePanel(const PracticePanel&) = delete;
    PracticePanel& operator=(const PracticePanel&) = delete;

    // Holds `record` from its start instead of the sample (nvx10config --practice=FILE).
    void hold(const qcf::Record& record) { held_ = record; }
    // The device to open for it, the panel started now if it is not yet. Empty, with the
    // reason in `error`, when it cannot start.
    QString device(QString& error);

private:
    std::optional<qcf::Record> held_;
    std::unique_ptr<PanelSim> sim_;
};

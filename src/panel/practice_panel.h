#pragma once

#include "comm_port.h"
#include "qcf.h"

#include <QString>

#include <memory>
#include <optional>

class PanelSim;

// The practice panel: a switch panel simulated inside the program, so that every operation can
// be tried without hardware. The link talks to it as to a serial port, and behind that port the
// simulated panel hears the bytes a real one hears and answers at the pace of the panel's 9600
// baud line. What has arrived is reckoned on the clock whenever the link looks: every byte such
// a panel would have sent by that moment is waiting, and none sent later, however long the
// program was held up, so a wait never ends before an answer that a panel would have given in
// time. It starts when first opened, as a model 70 panel holding the sample configuration built
// into the program, and keeps what a write puts into it until the program ends.
class PracticePanel : public CommPort {
    Q_OBJECT

public:
    // The sample it holds unless it is given a configuration of its own.
    static const QString sample;

    explicit PracticePanel(QObject* parent = nullptr);
    ~PracticePanel() override;

    // Holds `record` from its start instead of the sample (nvx10config --practice=FILE).
    void hold(const qcf::Record& record) { held_ = record; }
    // Starts the panel if it is not yet. False, with the reason in `error`, when it cannot.
    bool start(QString& error);
    // The panel behind the port, once started.
    const PanelSim* panel() const { return sim_.get(); }

    QString portName() const override;
    void setPortName(const QString&) override {}
    QString deviceName() const override { return {}; }
    QString settings() const override { return settings_; }
    void setSettings(const QString& settings) override { settings_ = settings; }

    // Opens once the panel has started; what was on its line before is dropped.
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return open_; }
    void output(const QByteArray& bytes) override;
    int inBufferCount() const override;
    QByteArray input() override;
    QByteArray peek() override;

    OpenFailure openFailure() const override {
        return sim_ ? OpenFailure::None : OpenFailure::Other;
    }
    QString errorString() const override;
    bool deviceLost() const override { return false; }

private:
    // The panel does what has fallen due by now; what it sent meanwhile is waiting.
    void catchUp() const;

    std::optional<qcf::Record> held_;
    std::unique_ptr<PanelSim> sim_;
    QString settings_;
    bool open_ = false;
    QByteArray waiting_;
};

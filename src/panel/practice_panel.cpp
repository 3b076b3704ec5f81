#include "practice_panel.h"

#include "panel_sim.h"
#include "serial_ports.h"

const QString PracticePanel::sample = QStringLiteral(":/practice/corridor.qcf");

PracticePanel::PracticePanel(QObject* parent) : CommPort(parent) {}
PracticePanel::~PracticePanel() = default;

QString PracticePanel::portName() const {
    return practicePanelName;
}

QString PracticePanel::errorString() const {
    return sim_ ? QString() : QStringLiteral("the practice panel has not started");
}

bool PracticePanel::start(QString& error) {
    if (sim_)
        return true;
    auto sim = std::make_unique<PanelSim>();
    sim->setPacing(true);
    if (held_)
        sim->setConfiguration(*held_);
    else if (!sim->loadConfiguration(sample, error))
        return false;
    connect(sim.get(), &PanelSim::lineWritten, this, [this](const QByteArray& bytes) {
        waiting_ += bytes;
        emit activity();
    });
    sim_ = std::move(sim);
    return true;
}

bool PracticePanel::setPortOpen(bool open) {
    if (open && !sim_)
        return false;
    // What the panel sent while the port was closed is lost, as on a real line.
    catchUp();
    waiting_.clear();
    open_ = open;
    return true;
}

void PracticePanel::catchUp() const {
    if (sim_)
        sim_->catchUp();
}

void PracticePanel::output(const QByteArray& bytes) {
    if (!open_)
        return;
    catchUp();
    sim_->feed(bytes);
    // The panel acts on commands as they arrive; nothing it was sent needs keeping.
    sim_->clearReceived();
}

int PracticePanel::inBufferCount() const {
    catchUp();
    return int(waiting_.size());
}

QByteArray PracticePanel::peek() {
    catchUp();
    return waiting_;
}

QByteArray PracticePanel::input() {
    catchUp();
    return std::exchange(waiting_, QByteArray());
}

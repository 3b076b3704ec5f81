#include "practice_panel.h"

#include "panel_sim.h"

const QString PracticePanel::sample = QStringLiteral(":/practice/corridor.qcf");

PracticePanel::PracticePanel() = default;
PracticePanel::~PracticePanel() = default;

QString PracticePanel::device(QString& error) {
    if (!sim_) {
        auto sim = std::make_unique<PanelSim>();
        sim->setPacing(true);
        if (!sim->start()) {
            error = sim->errorString();
            return QString();
        }
        if (held_)
            sim->setConfiguration(*held_);
        else if (!sim->loadConfiguration(sample, error))
            return QString();
        sim_ = std::move(sim);
    }
    return sim_->devicePath();
}

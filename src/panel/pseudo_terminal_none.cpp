// Windows has no pseudo-terminals: the simulated panel is only ever driven from inside the
// program there.
#include "pseudo_terminal.h"

PseudoTerminal::PseudoTerminal(QObject* parent) : QObject(parent) {}
PseudoTerminal::~PseudoTerminal() = default;

bool PseudoTerminal::open(QString& error) {
    error = QStringLiteral("no pseudo-terminals on this system: use the practice panel");
    return false;
}

bool PseudoTerminal::write(const QByteArray&) {
    return false;
}

PseudoTerminal::LineSettings PseudoTerminal::lineSettings() const {
    return {};
}

void PseudoTerminal::close() {}

void PseudoTerminal::onReadable() {}

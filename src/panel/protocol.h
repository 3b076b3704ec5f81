#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The panel's serial protocol: command frames, its acknowledgement and how a location's
// reply turns into a value. No port and no window here, so the rules can be tested alone.
namespace protocol {

// Location that holds the panel's model identity, and the models this program serves.
constexpr int modelLocation = 63;
constexpr bool isKnownModel(int value) {
    return value == 70 || value == 79;
}

// The line under the model mismatch box: the model the panel reported.
QString modelMismatchCause(int model);

// Highest value a location may hold: an assignment code of 0..159, or 160 for "N/A".
constexpr int highestValue = 160;

// The panel's answer to the wake-up byte and to a write command, compared byte for byte.
inline const QByteArray acknowledgement = QByteArrayLiteral("D000D");

// "A": asks the panel to listen.
QByteArray wakeUpCommand();
// "V", 0, address, "0", "0", "V".
QByteArray readCommand(int address);
// "S", 0, address, 0, value, "D".
QByteArray writeCommand(int address, int value);

// The value in a read reply (0..1000), or nothing when the reply is not one answer in the
// panel's form: four digits, then a CR, an LF or nothing.
std::optional<int> replyValue(const QByteArray& reply);

} // namespace protocol

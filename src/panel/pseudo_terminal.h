#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The panel's end of a pseudo-terminal, raw at 9600 baud: the program opens path() as its
// serial port, and what the program writes there arrives here. Linux has them; on Windows
// open() refuses, and a simulated panel is driven inside the program instead (PracticePanel).
class PseudoTerminal : public QObject {
    Q_OBJECT

public:
    // The line settings the program's end has set, as the device holds them.
    struct LineSettings {
        int baud = 0;
        int dataBits = 0;
        char parity = '?'; // 'N', 'E' or 'O'
        int stopBits = 0;
        bool hardwareFlow = false; // RTS/CTS
        bool softwareFlow = false; // XON/XOFF, either way
    };

    explicit PseudoTerminal(QObject* parent = nullptr);
    ~PseudoTerminal() override;

    // False, with the reason in `error`, when no pseudo-terminal can be had.
    bool open(QString& error);
    bool isOpen() const { return master_ >= 0; }
    QString path() const { return path_; }
    // Puts bytes on the line. False when the line is full or gone: the rest is lost, as on a
    // real line.
    bool write(const QByteArray& bytes);
    LineSettings lineSettings() const;
    // Both ends closed, as if unplugged. Safe from inside received().
    void close();

signals:
    void received(const QByteArray& bytes);

private:
    void onReadable();

    int master_ = -1;
    int slave_ = -1; // held open so the line stays up while the program's port is closed
    QString path_;
    QSocketNotifier* notifier_ = nullptr;
};

#pragma once

#include "protocol.h"
#include "pseudo_terminal.h"
#include "qcf.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <map>
#include <random>

class QTimer;

// A switch panel on a pseudo-terminal, for tests and for trying the program without the
// hardware. It answers on the master side from the Qt event loop, so a test can run the
// program's waits and the panel in one thread; the program opens devicePath() as its port.
//
// Protocol: "A" is answered "D000D"; "S" 0 addr 0 value "D" stores the value and is answered
// "D000D"; "V" 0 addr "0" "0" "V" is answered with the value times ten as four digits and a
// CR. Every byte received is recorded. Faults can be switched on one by one.
class PanelSim : public QObject {
    Q_OBJECT

public:
    // One byte on the panel's line: a start bit, the data bits, a parity bit unless there is
    // none, and the stop bits.
    static constexpr qint64 byteTimeNs =
        (1 + protocol::line.dataBits + (protocol::line.parity == 'N' ? 0 : 1) +
         protocol::line.stopBits) *
        1000000000LL / protocol::line.baud;
    static constexpr int defaultModel = protocol::servedModels[0];

    explicit PanelSim(QObject* parent = nullptr);
    ~PanelSim() override;

    // Opens the pseudo-terminal (raw, 9600 baud). False, with errorString(), on failure.
    bool start();
    QString devicePath() const { return path_; }
    QString errorString() const { return error_; }

    // The panel's locations 0..255. Items 0..21 start at 160 (not assigned), intensities
    // 22..24 at 10 (100 %), the model location 63 at 70, the others at 0.
    int value(int address) const;
    void setValue(int address, int value);
    void setModel(int model) { setValue(protocol::modelLocation, model); }
    // The 25 values of a configuration file, as they stand, in the locations a panel written
    // from that file keeps them: the 22 codes in item order, then the backlighting, indicator
    // and dimmed intensities (the file holds the indicator first).
    void setConfiguration(const qcf::Record& record);
    // Reads a configuration file and holds it as above. A file the program would not open is
    // refused as the program refuses it: false, and `refusal` says why.
    bool loadConfiguration(const QString& file, QString& refusal);
    // Reads a configuration file as loadConfiguration() does, without holding it.
    static bool readConfiguration(const QString& file, qcf::Record& record, QString& refusal);

    // Sends and takes in bytes at the pace of the panel's line instead of at once.
    void setPacing(bool on) { pacing_ = on; }
    // Read replies of four digits without the CR.
    void setFourCharacterReplies(bool on) { four_ = on; }
    // Every reply in two pieces: its first `position` bytes, then the rest `gapMs` later, as
    // a line or an adapter's buffering can deliver it. 0 sends replies whole.
    void setReplySplit(int position, int gapMs) {
        splitAt_ = position;
        splitGapMs_ = gapMs;
    }

    // The line settings the program's end of the line has set, as the device holds them.
    using LineSettings = PseudoTerminal::LineSettings;
    LineSettings lineSettings() const;

    // Faults.
    void setSilent(bool on) { silent_ = on; }            // answers nothing
    void setWakeAfter(int tries) { wakeAfter_ = tries; } // ignores the first tries-1 "A"
    void setWakeReply(const QByteArray& reply) { wakeReply_ = reply; } // instead of "D000D"
    void setAckReply(int address, const QByteArray& reply);            // write acknowledgement
    void setReadReply(int address, const QByteArray& reply);           // read reply, verbatim
    // The next reads of `address` are answered with `replies`, one each and verbatim, as a line
    // that garbles a few answers delivers them; after them the panel answers as usual again.
    void setReadReplies(int address, const QList<QByteArray>& replies);
    void setShortReply(int address, int length);                          // read reply cut short
    void setOutOfRange(int address);                                      // reads answer 161
    void setMismatch(int address);                                        // writes store value + 1
    void setDelay(int ms) { delayMs_ = ms; }                              // every reply this late
    void setReadDelay(int address, int ms) { readDelays_[address] = ms; } // one location's late
    void setRepeatedReply(int address) { repeated_.insert(address); }     // read reply sent twice
    // The read reply of `address` comes again when the next command arrives, ahead of its
    // answer, as a line that doubles a reply late can deliver it.
    void setRepeatedLate(int address) { repeatedLate_.insert(address); }
    // A write command for `address` arrives with its address changed to `to`: the value lands
    // there, and the acknowledgement is as usual.
    void setMisdirectedWrite(int address, int to) { misdirected_[address] = to; }
    // Hands every byte received straight back, ahead of any answer, as a half-duplex adapter
    // does.
    void setEcho(bool on) { echo_ = on; }
    // The echo in two pieces: the first `position` bytes of what arrived at once, the rest
    // `gapMs` later, as an adapter's buffering can hand it back. The answer still follows it.
    void setEchoSplit(int position, int gapMs) {
        echoSplitAt_ = position;
        echoSplitGapMs_ = gapMs;
    }
    void setHangUpAfter(int commands) { hangUpAfter_ = commands; } // then hangs up
    // A noisy line: each byte, either way, has one bit changed with probability `rate`, the
    // changes drawn from `seed`, so that a run can be repeated.
    void setNoise(double rate, quint32 seed = 1);

    // Without a pseudo-terminal (start() not called) the panel is driven by its owner: feed()
    // hands it what the program sends, at the moment it is sent, and what the panel puts on the
    // line comes out through lineWritten() once it is due. catchUp() does at once whatever has
    // fallen due, each thing as at its own moment: an owner that looks at the line after the
    // program was held up finds every byte a panel at this pace would have sent by then.
    void feed(const QByteArray& bytes);
    void catchUp() { runDue(); }

    // Puts bytes on the line now, as line noise or a reply nobody asked for would arrive.
    void inject(const QByteArray& bytes);
    // Drops the line: both ends of the pseudo-terminal are closed, as if unplugged.
    void hangUp();
    bool hungUp() const { return hungUp_; }

    // Everything the panel received, byte for byte, and the commands it made of it.
    QByteArray received() const { return received_; }
    void clearReceived() { received_.clear(); }
    int commandCount() const { return commands_; }
    // Reply bytes scheduled but not yet put on the line.
    int pendingBytes() const;

signals:
    // After each whole command: its number (from 1), kind ('A', 'S', 'V') and address.
    void commandReceived(int number, char kind, int address);
    // All scheduled reply bytes are on the line.
    void repliesSent();
    // Bytes put on the line at once: what a split reply or echo was split into.
    void lineWritten(const QByteArray& bytes);
    void lineHungUp();

private:
    struct Event {
        bool transmit; // true: put byte on the line; false: take in a received byte
        char byte;
    };

    void takeIn(char byte);
    void command(char kind, int address, int value);
    QByteArray readReply(int address) const;
    void reply(const QByteArray& bytes, int delayMs);
    // Puts bytes on the line `delayMs` from now, the first `splitAt` of them `gapMs` ahead of
    // the rest (0: whole), and never ahead of bytes still on their way.
    void transmit(const QByteArray& bytes, int delayMs, int splitAt, int gapMs);
    // When the last byte still on its way is due, -1 for none.
    qint64 lastTransmitDue() const;
    void schedule(qint64 due, Event event);
    void runDue();
    void arm();
    void writeLine(const QByteArray& bytes);
    // `bytes` as the noise of the line leaves them.
    QByteArray noisy(QByteArray bytes);
    qint64 now() const { return dueNow_ >= 0 ? dueNow_ : clock_.nsecsElapsed(); }

    PseudoTerminal* line_ = nullptr; // none while driven from inside the program
    QString path_;
    QString error_;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    std::multimap<qint64, Event> queue_;
    qint64 dueNow_ = -1; // while due events run late: the moment the one in hand was due
    qint64 rxFree_ = 0;
    qint64 txFree_ = 0;

    std::array<int, 256> memory_{};
    bool pacing_ = false;
    bool four_ = false;
    bool silent_ = false;
    int wakeAfter_ = 1;
    QByteArray wakeReply_ = QByteArrayLiteral("D000D");
    QHash<int, QByteArray> ackReplies_;
    QHash<int, QByteArray> readReplies_;
    QHash<int, QList<QByteArray>> readQueues_;
    QHash<int, int> shortReplies_;
    QSet<int> outOfRange_;
    QSet<int> mismatch_;
    int delayMs_ = 0;
    QHash<int, int> readDelays_;
    QSet<int> repeated_;
    QSet<int> repeatedLate_;
    QByteArray lateCopy_; // a reply to send again ahead of the next answer
    QHash<int, int> misdirected_;
    bool echo_ = false;
    int echoSplitAt_ = 0;
    int echoSplitGapMs_ = 0;
    int splitAt_ = 0;
    int splitGapMs_ = 0;
    int hangUpAfter_ = -1;
    double noise_ = 0;
    std::mt19937 random_;

    bool hungUp_ = false;
    QByteArray received_;
    QByteArray frame_;
    int commands_ = 0;
    int wakeUps_ = 0;
};

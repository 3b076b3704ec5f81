#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QThread;

class PortComboBox;

// One serial port as the system reports it.
struct SerialPortEntry {
    QString portName;       // "ttyUSB0", "COM3"
    QString systemLocation; // "/dev/ttyUSB0": what the port is opened by
    QString description;    // "FT232R USB UART"
    QString manufacturer;
    QString serialNumber;
    QString stableName;   // "/dev/serial/by-id/usb-FTDI_...": the same adapter on every plug-in
    bool usb = false;     // a USB adapter: the system knows its vendor
    bool reported = true; // false for a port the system does not report (named by the user)
    // The practice panel, simulated inside the program: no serial port.
    bool practice = false;

    // "ttyUSB0 — FT232R USB UART", or the name alone.
    QString displayText() const;
    // Where the port is, who made it and its stable name, one item a line.
    QString toolTip() const;
};

using PortSource = std::function<QList<SerialPortEntry>()>;

// The practice panel's entry (see PracticePanel), always the selector's last: its text, and
// the name that stands for it where a port is named (the start port, the port chosen).
inline const QString practicePanelName = QStringLiteral("PRACTICE PANEL (SIMULATED)");

// The ports the system reports now, with their stable /dev/serial/by-id names on Linux.
QList<SerialPortEntry> systemSerialPorts();

// The port the program starts with, as it is opened. The program keeps no settings, so this
// is decided afresh at every start:
// 1. the port the user named (`requested`), reported or not;
// 2. else the machine's built-in first port (/dev/ttyS0, COM1) when the system reports it;
// 3. else the one USB adapter, when exactly one is present;
// 4. else the first port reported;
// 5. with none at all, the practice panel, so that the program can be tried without one.
QString startPort(const QList<SerialPortEntry>& reported, const QString& requested);

// The window's port selector: a combo box listing the reported ports, read afresh each time
// its list opens and before each panel operation; a port it does not list can be typed in.
// The chosen port stays chosen, and the ports named at start stay listed, even when the
// system stops reporting them (an adapter pulled): the failure to open it then names it. The
// practice panel is listed last.
class PortSelector : public QObject {
    Q_OBJECT

public:
    // Whether start() lists the ports before it returns, or beside the window, which then
    // shows at once: the system takes its time to report its ports (it opens built-in ones to
    // see whether they are there).
    enum class Listing { Now, InBackground };

    PortSelector(PortComboBox& combo, PortSource source, QObject* parent = nullptr);
    ~PortSelector() override;

    // Lists the ports, those named in `requested` among them, and chooses the start port
    // for the first one named (see startPort()). Empty or blank names are no ports. Listed in
    // the background, nothing is listed or chosen until the ports are there; whatever needs
    // the list before then (refresh(), choose()) waits for it in the event loop.
    void start(const QStringList& requested, Listing listing = Listing::Now);
    // Whether the ports of the start are still being listed.
    bool listing() const { return bool(lister_); }
    // Reads the ports afresh, keeping the choice.
    void refresh();
    // The chosen port, as it is opened; practicePanelName for the practice panel.
    QString current() const;
    bool practiceChosen() const { return current() == practicePanelName; }
    // Chooses the listed port that is opened as `port`.
    void choose(const QString& port);
    // Every port listed, in the list's order, as at the last reading.
    QList<SerialPortEntry> listed() const { return listed_; }
    // The ports the system reported at the last reading: "ttyUSB0 — FT232R USB UART
    // (/dev/ttyUSB0)", one each.
    QStringList reportedPorts() const;

signals:
    // Another entry was chosen, or another name typed in.
    void choiceChanged();
    // The ports of the start are listed and the start port chosen.
    void started();

private:
    void fill(const QString& chosen);
    // The ports of a start have been listed.
    void listed(quint64 start, const QList<SerialPortEntry>& ports);
    // Returns once the ports of the start are listed.
    void awaitStart();

    PortComboBox& combo_;
    PortSource source_;
    QStringList requested_;
    QList<SerialPortEntry> reported_;
    QList<SerialPortEntry> listed_;
    std::unique_ptr<QThread> lister_; // while the ports of the start are listed beside the window
    quint64 starts_ = 0;              // so that a start's list never lands after a later start
};

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// The serial line to the panel, shaped like the comm control the window once used: a port
// name, a settings string, PortOpen, Output, InBufferCount and Input. Received bytes stay
// waiting until Input takes them.
class CommPort : public QObject {
    Q_OBJECT

public:
    // Why the last attempt to open the port failed. HeldOpen: another program has it open,
    // which heldBy() names.
    enum class OpenFailure { None, NotFound, InUse, HeldOpen, NoPermission, BadSettings, Other };

    using QObject::QObject;
    ~CommPort() override = default;

    virtual QString portName() const = 0;
    virtual void setPortName(const QString& name) = 0;
    // The device the name leads to, as it was opened; empty when that is the name itself.
    virtual QString deviceName() const = 0;
    // "baud,parity,data bits,stop bits", for example "9600,N,8,1".
    virtual QString settings() const = 0;
    virtual void setSettings(const QString& settings) = 0;

    // PortOpen. Opening returns false when the port could not be opened (see openFailure()
    // and errorString()). Bytes the system held for the port before it opened are dropped.
    virtual bool setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;

    // Output: sends the bytes as they are.
    virtual void output(const QByteArray& bytes) = 0;
    // InBufferCount: received bytes waiting.
    virtual int inBufferCount() const = 0;
    // Input: every byte waiting; the receive buffer is empty afterwards.
    virtual QByteArray input() = 0;
    // Every byte waiting, left waiting.
    virtual QByteArray peek() = 0;

    virtual OpenFailure openFailure() const = 0;
    // The programs that hold the port open, when the last open found any: "socat (PROCESS
    // 4242)". The program's own process never counts.
    virtual QStringList heldBy() const { return {}; }
    virtual QString errorString() const = 0;
    // True once the device failed while open (unplugged, hung up): the port has been closed
    // and stays unusable until it is opened again.
    virtual bool deviceLost() const = 0;

signals:
    // Bytes arrived or the device failed: a wait on the port should look again.
    void activity();
};

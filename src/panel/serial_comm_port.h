#pragma once

#include "comm_port.h"
#include "protocol.h"

#include <QSerialPort>

// The program's serial line: a QSerialPort with no flow control, opened and closed per
// panel operation. A read, write or resource error while open means the device is gone:
// the port is closed at once so a hung-up line cannot flood the event loop with errors.
class SerialCommPort : public CommPort {
    Q_OBJECT

public:
    // The system name of serial port `number`, counted from 1: /dev/ttyS0 or COM1 for 1.
    static QString nameOfPort(int number);
    // The device node of a port named as a user would name it: "ttyUSB0" is /dev/ttyUSB0, a
    // path is itself.
    static QString devicePath(const QString& name);

    explicit SerialCommPort(const QString& portName = nameOfPort(1), QObject* parent = nullptr);
    ~SerialCommPort() override;

    QString portName() const override { return name_; }
    void setPortName(const QString& name) override { name_ = name; }
    QString deviceName() const override { return device_; }
    QString settings() const override { return settings_; }
    void setSettings(const QString& settings) override { settings_ = settings; }

    bool setPortOpen(bool open) override;
    bool portOpen() const override { return port_.isOpen(); }
    void output(const QByteArray& bytes) override;
    int inBufferCount() const override;
    QByteArray input() override;
    QByteArray peek() override;

    OpenFailure openFailure() const override { return failure_; }
    QStringList heldBy() const override { return heldBy_; }
    QString errorString() const override { return error_; }
    bool deviceLost() const override { return lost_; }

    // Why a port that QSerialPort refused to open failed: a permission error is a missing
    // right only when the device node itself denies access, otherwise another program
    // holds the port or its lock.
    static OpenFailure classifyOpenError(QSerialPort::SerialPortError error, bool deviceAccessible);

    // The port as the system sees it, for tests that play a device's own faults.
    QSerialPort& device() { return port_; }

private:
    bool open();
    // Whether another program holds `device` open: then the open has failed with HeldOpen.
    bool heldElsewhere(const QString& device);
    bool applySettings();
    // Hands over what the system holds for the port but the event loop has not delivered yet.
    void pollSystem();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    QString name_;
    QString device_;
    QString settings_ = protocol::lineSettings();
    OpenFailure failure_ = OpenFailure::None;
    QStringList heldBy_;
    QString error_;
    bool lost_ = false;
    bool closing_ = false;
    // Counts the opens, so that a close queued for a lost device never shuts a later open.
    quint64 opened_ = 0;
};

#include "serial_comm_port.h"

#include "port_holders.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

QString SerialCommPort::nameOfPort(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString SerialCommPort::devicePath(const QString& name) {
#ifdef Q_OS_UNIX
    return name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
#else
    return name;
#endif
}

SerialCommPort::SerialCommPort(const QString& portName, QObject* parent)
    : CommPort(parent), name_(portName) {
    connect(&port_, &QSerialPort::readyRead, this, &CommPort::activity);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialCommPort::onError);
}

SerialCommPort::~SerialCommPort() {
    setPortOpen(false);
}

CommPort::OpenFailure SerialCommPort::classifyOpenError(QSerialPort::SerialPortError error,
                                                        bool deviceAccessible) {
    switch (error) {
    case QSerialPort::NoError:
        return OpenFailure::None;
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NotFound;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return deviceAccessible ? OpenFailure::InUse : OpenFailure::NoPermission;
    default:
        return OpenFailure::Other;
    }
}

static bool deviceAccessible(const QString& name) {
#ifdef Q_OS_UNIX
    const QString path = SerialCommPort::devicePath(name);
    if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) == 0)
        return true;
    return errno != EACCES && errno != EPERM;
#else
    // Windows reports a port held by another program as access denied.
    Q_UNUSED(name);
    return true;
#endif
}

bool SerialCommPort::setPortOpen(bool open) {
    if (open)
        return port_.isOpen() || this->open();
    if (port_.isOpen()) {
        closing_ = true;
        port_.close();
        closing_ = false;
    }
    return true;
}

bool SerialCommPort::open() {
    lost_ = false;
    failure_ = OpenFailure::None;
    heldBy_.clear();
    error_.clear();
    // The device itself, whichever of its names was chosen (/dev/serial/by-id/..., a link):
    // the lock and the exclusive open then keep out a second opener under another name.
    const QString device = QFileInfo(devicePath(name_)).canonicalFilePath();
    device_ =
        device.isEmpty() || device == name_ || device == devicePath(name_) ? QString() : device;
    const QString opened = device_.isEmpty() ? name_ : device_;
    port_.setPortName(opened);
    if (!port_.open(QIODevice::ReadWrite)) {
        failure_ = classifyOpenError(port_.error(), deviceAccessible(opened));
        if (failure_ == OpenFailure::None)
            failure_ = OpenFailure::Other;
        error_ = port_.errorString();
        port_.clearError();
        if (failure_ == OpenFailure::InUse)
            heldElsewhere(opened);
        return false;
    }
    // Opened first, then looked at: another program that reads the same line takes some of
    // the panel's bytes. Nothing has been sent yet.
    if (heldElsewhere(opened)) {
        setPortOpen(false);
        return false;
    }
    if (!applySettings()) {
        failure_ = OpenFailure::BadSettings;
        setPortOpen(false);
        return false;
    }
    ++opened_;
    // The system may hold bytes that reached the line before this open (a late reply to an
    // earlier operation): they belong to no command of ours.
    port_.clear(QSerialPort::Input);
    port_.readAll();
    return true;
}

bool SerialCommPort::heldElsewhere(const QString& device) {
    for (const holders::Holder& holder : holders::of(devicePath(device)))
        heldBy_ << holder.text();
    if (heldBy_.isEmpty())
        return false;
    failure_ = OpenFailure::HeldOpen;
    error_ = QStringLiteral("open in ") + heldBy_.join(QStringLiteral(", "));
    return true;
}

bool SerialCommPort::applySettings() {
    // The panel talks at one setting only; anything else is refused rather than half applied.
    if (settings_ != protocol::lineSettings()) {
        error_ = QStringLiteral("unknown serial settings \"%1\"").arg(settings_);
        return false;
    }
    constexpr protocol::LineSetting line = protocol::line;
    constexpr QSerialPort::Parity parity = line.parity == 'E'   ? QSerialPort::EvenParity
                                           : line.parity == 'O' ? QSerialPort::OddParity
                                                                : QSerialPort::NoParity;
    // QSerialPort numbers its data and stop bits as they count.
    if (!port_.setBaudRate(line.baud) || !port_.setParity(parity) ||
        !port_.setDataBits(QSerialPort::DataBits(line.dataBits)) ||
        !port_.setStopBits(QSerialPort::StopBits(line.stopBits)) ||
        !port_.setFlowControl(QSerialPort::NoFlowControl)) {
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    return true;
}

void SerialCommPort::output(const QByteArray& bytes) {
    if (!port_.isOpen() || lost_)
        return;
    port_.write(bytes);
    // Hand the bytes to the system now rather than at the next turn of the event loop.
    port_.flush();
}

int SerialCommPort::inBufferCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

void SerialCommPort::pollSystem() {
#ifdef Q_OS_WIN
    // Not on Windows: there Qt Serial Port's synchronous wait, mixed with its reading from the
    // event loop as here, can take a completion the event loop has already handled and read
    // past the end of its queue (a crash). The event loop, which the link's waits run, hands
    // over every byte there.
#else
    port_.waitForReadyRead(0);
#endif
}

QByteArray SerialCommPort::input() {
    if (!port_.isOpen())
        return QByteArray();
    // Bytes the system holds but the event loop has not handed over yet are waiting too: take
    // them now, so that "every byte waiting" does not depend on how busy the computer is.
    pollSystem();
    return port_.readAll();
}

QByteArray SerialCommPort::peek() {
    if (!port_.isOpen())
        return QByteArray();
    // As for input(): what has reached the system is waiting, however late the event loop is.
    pollSystem();
    return port_.peek(port_.bytesAvailable());
}

void SerialCommPort::onError(QSerialPort::SerialPortError error) {
    if (closing_ || !port_.isOpen())
        return; // failures to open are reported by open()
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        break;
    default:
        return;
    }
    if (lost_)
        return;
    lost_ = true;
    error_ = port_.errorString();
    // A hung-up line keeps reporting errors from inside QSerialPort's own notifier; close
    // from the event loop, right after this emission has unwound. By then the operation may
    // have ended and the next one opened the port again: that open is not this one's to close.
    QMetaObject::invokeMethod(
        this,
        [this, open = opened_] {
            if (opened_ == open)
                setPortOpen(false);
        },
        Qt::QueuedConnection);
    emit activity();
}

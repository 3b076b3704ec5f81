#include "serial_comm_port.h"

#include <QStringList>

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
    const QString path = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
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
    error_.clear();
    port_.setPortName(name_);
    if (!port_.open(QIODevice::ReadWrite)) {
        failure_ = classifyOpenError(port_.error(), deviceAccessible(name_));
        if (failure_ == OpenFailure::None)
            failure_ = OpenFailure::Other;
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    if (!applySettings()) {
        failure_ = OpenFailure::BadSettings;
        setPortOpen(false);
        return false;
    }
    // The system may hold bytes that reached the line before this open (a late reply to an
    // earlier operation): they belong to no command of ours.
    port_.clear(QSerialPort::Input);
    port_.readAll();
    return true;
}

bool SerialCommPort::applySettings() {
    const QStringList parts = settings_.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    const int baud = ok ? parts[0].trimmed().toInt(&ok) : 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    if (ok) {
        const QString p = parts[1].trimmed().toUpper();
        if (p == QLatin1String("N"))
            parity = QSerialPort::NoParity;
        else if (p == QLatin1String("E"))
            parity = QSerialPort::EvenParity;
        else if (p == QLatin1String("O"))
            parity = QSerialPort::OddParity;
        else if (p == QLatin1String("M"))
            parity = QSerialPort::MarkParity;
        else if (p == QLatin1String("S"))
            parity = QSerialPort::SpaceParity;
        else
            ok = false;
        const int bits = parts[2].trimmed().toInt();
        if (bits >= 5 && bits <= 8)
            dataBits = static_cast<QSerialPort::DataBits>(bits);
        else
            ok = false;
        const QString s = parts[3].trimmed();
        if (s == QLatin1String("1"))
            stopBits = QSerialPort::OneStop;
        else if (s == QLatin1String("1.5"))
            stopBits = QSerialPort::OneAndHalfStop;
        else if (s == QLatin1String("2"))
            stopBits = QSerialPort::TwoStop;
        else
            ok = false;
    }
    if (!ok || baud <= 0) {
        error_ = QStringLiteral("unknown serial settings \"%1\"").arg(settings_);
        return false;
    }
    if (!port_.setBaudRate(baud) || !port_.setParity(parity) || !port_.setDataBits(dataBits) ||
        !port_.setStopBits(stopBits) || !port_.setFlowControl(QSerialPort::NoFlowControl)) {
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

QByteArray SerialCommPort::input() {
    return port_.isOpen() ? port_.readAll() : QByteArray();
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
    // from the event loop, right after this emission has unwound.
    QMetaObject::invokeMethod(
        this, [this] { setPortOpen(false); }, Qt::QueuedConnection);
    emit activity();
}
